// The text helpers with arbitrary texts, markers and start positions.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/text_search.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  // The first byte picks a start position around the text's ends, negative ones included.
  const int start = static_cast<int>(static_cast<std::int8_t>(data[0]));
  const auto parts = FuzzParts(data + 1, size - 1, 3);
  const std::string_view source = parts[0], startMarker = parts[1], endMarker = parts[2];

  const int found = FindText(source, startMarker, start);
  if (found != 0) {
    FUZZ_CHECK(found >= 1 && found >= start);
    FUZZ_CHECK(source.substr(static_cast<std::size_t>(found - 1), startMarker.size()) == startMarker);
  }
  FUZZ_CHECK(ContainsText(source, startMarker) == (FindText(source, startMarker, 1) != 0));

  const std::string between = Between(source, startMarker, endMarker, start);
  FUZZ_CHECK(between.size() <= source.size());
  if (!between.empty()) {
    FUZZ_CHECK(source.find(between) != std::string_view::npos);
  }
  const std::string trimmed = TrimBlanks(source);
  FUZZ_CHECK(IsBlank(source) == trimmed.empty());
  const std::string blanked = BlankControlBytes(std::string(source));
  for (char c : blanked) {
    const unsigned char b = static_cast<unsigned char>(c);
    FUZZ_CHECK(b == 0 || (b >= 32 && b != 127));
  }
  FUZZ_CHECK(LowerAnsi(source).size() == source.size());
  return 0;
}
