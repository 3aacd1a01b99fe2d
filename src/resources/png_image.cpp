// libpng reports errors through longjmp; everything that owns memory across png_* calls lives in
// plain locals set up before setjmp, so a damaged file unwinds without leaks or undefined values.
#include "resources/png_image.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <new>

namespace {

struct MemoryReader {
  const unsigned char* bytes;
  std::size_t size;
  std::size_t offset;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
  auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
  if (count > reader->size - reader->offset) {
    png_error(png, "truncated");
  }
  std::memcpy(out, reader->bytes + reader->offset, count);
  reader->offset += count;
}

void IgnoreWarning(png_structp, png_const_charp) {}

// A damaged file is an ordinary outcome here: leave quietly through the decoder's setjmp.
void QuietError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// Kept out of DecodePng so that no C++ object with a destructor lives in the frame that setjmp
// saves.
bool DecodeInto(png_structp png, png_infop info, MemoryReader* reader, DecodedImage* image) {
  if (setjmp(png_jmpbuf(png))) {
    return false;
  }
  png_set_read_fn(png, reader, ReadFromMemory);
  png_read_info(png, info);
  const png_uint_32 width = png_get_image_width(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  if (width == 0 || height == 0 || width > kMostImageSide || height > kMostImageSide) {
    return false;
  }
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_strip_alpha(png);
  png_set_gray_to_rgb(png);
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != width * 3u) {
    return false;
  }
  image->rgb.resize(static_cast<std::size_t>(width) * height * 3u);
  // Row by row, so no row-pointer array has to outlive a longjmp.
  for (int pass = 0; pass < passes; ++pass) {
    for (png_uint_32 y = 0; y < height; ++y) {
      png_read_row(png, image->rgb.data() + static_cast<std::size_t>(y) * width * 3u, nullptr);
    }
  }
  png_read_end(png, nullptr);
  image->width = static_cast<int>(width);
  image->height = static_cast<int>(height);
  return true;
}

}  // namespace

DecodedImage DecodePng(const unsigned char* bytes, std::size_t size) {
  DecodedImage image;
  if (bytes == nullptr || size < 8 || png_sig_cmp(bytes, 0, 8) != 0) {
    return image;
  }
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, QuietError, IgnoreWarning);
  if (png == nullptr) {
    return image;
  }
  png_infop info = png_create_info_struct(png);
  MemoryReader reader{bytes, size, 0};
  bool decoded = false;
  try {
    decoded = info != nullptr && DecodeInto(png, info, &reader, &image);
  } catch (const std::bad_alloc&) {
    // A header may announce an image too large for the memory at hand (the pixels are
    // allocated outside any libpng call, so nothing of libpng's is left half done).
  }
  if (!decoded) image = DecodedImage();
  png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
  return image;
}
