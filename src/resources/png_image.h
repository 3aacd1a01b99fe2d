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

// The widest and tallest image the decoder accepts. The program's own images are a few hundred
// pixels; a notice image from the network that claims more is refused before its pixels are
// allocated (a small file can announce a huge image).
constexpr unsigned kMostImageSide = 2048;

// Any PNG libpng reads (palette, grey, alpha, 16-bit, interlaced) comes out as 8-bit RGB;
// alpha is dropped. A damaged or truncated file, or one wider or taller than kMostImageSide,
// gives an image that is not ok(); it never aborts the caller.
DecodedImage DecodePng(const unsigned char* bytes, std::size_t size);
