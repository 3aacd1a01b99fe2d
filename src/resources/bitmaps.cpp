#include "resources/bitmaps.h"

#include "resources/builtin_images.h"

HBITMAP BitmapFromImage(const DecodedImage& image) {
  if (!image.ok()) return nullptr;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = image.width;
  info.bmiHeader.biHeight = -image.height;  // top-down rows, as decoded
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap == nullptr || bits == nullptr) return bitmap;
  const int stride = (image.width * 3 + 3) & ~3;
  auto* out = static_cast<unsigned char*>(bits);
  for (int y = 0; y < image.height; ++y) {
    const unsigned char* in = image.rgb.data() + static_cast<size_t>(y) * image.width * 3;
    unsigned char* row = out + static_cast<size_t>(y) * stride;
    for (int x = 0; x < image.width; ++x) {  // RGB to the bitmap's BGR
      row[x * 3 + 0] = in[x * 3 + 2];
      row[x * 3 + 1] = in[x * 3 + 1];
      row[x * 3 + 2] = in[x * 3 + 0];
    }
  }
  return bitmap;
}

HBITMAP SolidBitmap(int width, int height, COLORREF colour) {
  DecodedImage image;
  image.width = width;
  image.height = height;
  image.rgb.resize(static_cast<size_t>(width) * height * 3);
  for (size_t i = 0; i < image.rgb.size(); i += 3) {
    image.rgb[i] = GetRValue(colour);
    image.rgb[i + 1] = GetGValue(colour);
    image.rgb[i + 2] = GetBValue(colour);
  }
  return BitmapFromImage(image);
}

HBITMAP LoadBuiltinBitmap(const char* name, int width, int height) {
  HBITMAP bitmap = BitmapFromImage(DecodeBuiltinImage(name));
  return bitmap != nullptr ? bitmap : SolidBitmap(width, height, RGB(255, 255, 255));
}
