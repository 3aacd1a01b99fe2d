// Splits one fuzz input into the several texts a function takes: the parts are separated by a
// byte that rarely occurs in seeds (0xFF), so a seed file reads as its parts in order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

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
