// The fast playlist scan against the plain one, and its promise that no control byte survives.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "acquisition/profile_scan.h"
#include "fuzz_input.h"
#include "reference/profile_scan_plain.h"

namespace {

bool HasControlByte(std::string_view text) {
  for (char c : text) {
    const unsigned char b = static_cast<unsigned char>(c);
    if ((b >= 1 && b <= 31) || b == 127) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view doc(reinterpret_cast<const char*>(data), size);
  const auto songs = ScanPlaylist(doc);
  const auto plain = ScanPlaylistPlain(doc);
  FUZZ_CHECK(songs.size() == plain.size());
  for (std::size_t i = 0; i < songs.size(); ++i) {
    FUZZ_CHECK(songs[i].name == plain[i].name && songs[i].url == plain[i].url);
    FUZZ_CHECK(!HasControlByte(songs[i].name) && !HasControlByte(songs[i].url));
  }
  return 0;
}
