// The address and page rules with arbitrary entered text and page bytes. The page is handed over
// as a block without a terminating zero, so any read past its length shows.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "acquisition/profile_recognition.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto parts = FuzzParts(data, size, 2);
  const std::string_view entered = parts[0], page = parts[1];

  const std::string address = NormaliseProfileAddress(entered);
  FUZZ_CHECK(address.size() >= entered.size());
  FUZZ_CHECK(address.find(entered) != std::string::npos);
  SiteLinkTipFor(address);
  PlaylistRequestAddress(FriendIdFromAddress(address));

  auto block = std::make_unique<char[]>(page.size() + 1);
  if (!page.empty()) std::memcpy(block.get(), page.data(), page.size());
  const int length = static_cast<int>(page.size());
  const ProfileFindings findings =
      IsOnSite(address) ? RecogniseProfile(address, block.get(), length) : ProfileFindings();
  FUZZ_CHECK(!findings.pageRead || length > 0);
  if (findings.movie.found) FUZZ_CHECK(!findings.movie.address.empty());
  FUZZ_CHECK(PageText(block.get(), length).size() <= page.size());
  FUZZ_CHECK(PageText(nullptr, length).empty());
  return 0;
}
