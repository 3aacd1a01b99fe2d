#include "common/site_bodies.h"

#include <cstdint>

std::string GeneratedBody(long long seed, std::size_t length) {
  static const unsigned char kFrameHeader[4] = {0xFF, 0xFB, 0x90, 0x64};
  std::string body(length, '\0');
  for (std::size_t i = 0; i < length; ++i) {
    const std::int64_t at = static_cast<std::int64_t>(i);
    const std::int64_t value = i < 4 ? kFrameHeader[i] : (at * 131 + seed * 7 + (at >> 8)) & 0xFF;
    body[i] = static_cast<char>(static_cast<unsigned char>(value));
  }
  return body;
}
