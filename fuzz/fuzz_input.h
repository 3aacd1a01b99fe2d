// Splits one fuzz input into the several texts a function takes: the parts are separated by a
// byte that rarely occurs in seeds (0xFF), so a seed file reads as its parts in order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

// The code points of UTF-8 text; false when it is no UTF-8 (a stray, cut or overlong sequence, a
// surrogate, a value past U+10FFFF).
inline bool FuzzCodePoints(std::string_view text, std::vector<std::uint32_t>& points) {
  for (std::size_t at = 0; at < text.size();) {
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
    if (length == 0 || text.size() - at < length) return false;
    std::uint32_t c = length == 1 ? lead : lead & (0x7Fu >> length);
    for (std::size_t i = 1; i < length; ++i) {
      const unsigned char next = static_cast<unsigned char>(text[at + i]);
      if ((next & 0xC0) != 0x80) return false;
      c = (c << 6) | (next & 0x3Fu);
    }
    const std::uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < least[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    points.push_back(c);
    at += length;
  }
  return true;
}

inline std::vector<std::string_view> FuzzParts(const std::uint8_t* data, std::size_t size,
                                               std::size_t count) {
  std::vector<std::string_view> parts;
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  while (parts.size() + 1 < count) {
    const std::size_t cut = rest.find('\xFF');
    if (cut == std::string_view::npos) break;
    parts.push_back(rest.substr(0, cut));
    rest.remove_prefix(cut + 1);
  }
  parts.push_back(rest);
  while (parts.size() < count) parts.emplace_back();
  return parts;
}

// Stops the run with a report when a property the code promises does not hold.
#define FUZZ_CHECK(condition) \
  do {                        \
    if (!(condition)) __builtin_trap(); \
  } while (0)
