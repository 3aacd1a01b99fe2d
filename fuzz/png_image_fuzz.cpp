// The PNG decoder with arbitrary bytes: a file is either decoded whole or refused, never read
// past its end.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <cstring>

#include "resources/png_image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A copy of exactly size bytes, so a read past the end shows.
  auto bytes = std::make_unique<unsigned char[]>(size);
  if (size != 0) std::memcpy(bytes.get(), data, size);
  const DecodedImage image = DecodePng(bytes.get(), size);
  if (image.ok()) {
    if (image.rgb.size() != static_cast<std::size_t>(image.width) * image.height * 3u) __builtin_trap();
  } else if (!image.rgb.empty()) {
    __builtin_trap();
  }
  return 0;
}
