// Decoding a PNG file held in memory into 8-bit RGB pixels, with libpng.
// Portable: the Win32 side turns the pixels into a bitmap.
#pragma once

#include <cstddef>
#include <vector>

struct DecodedImage {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> rgb;  // width * height * 3 bytes, rows top to bottom
  bool ok() const { return width > 0 && height > 0; }
};

// Any PNG libpng reads (palette, grey, alpha, 16-bit, interlaced) comes out as 8-bit RGB;
// alpha is dropped. A damaged or truncated file gives an image that is not ok(); it never
// aborts the caller.
DecodedImage DecodePng(const unsigned char* bytes, std::size_t size);
