// The images are read and written whole, one GetDIBits or SetDIBits call each, through a
// 32-bit top-down device-independent view: a pixel by pixel pass through GetPixel and SetPixel
// gives the same colours but costs a call per pixel, some 60,000 at start-up. Colours keep the
// GetPixel form and order, and a point outside the image reads as GetPixel reads it.
#include "skin/blend_frames.h"

#include <cstdint>

#include "base/win_handles.h"
#include "skin/blend_arithmetic.h"

namespace {

BITMAPINFO TopDownView(int width, int height) {
  BITMAPINFO view = {};
  view.bmiHeader.biSize = sizeof(view.bmiHeader);
  view.bmiHeader.biWidth = width;
  view.bmiHeader.biHeight = -height;  // top-down: row 0 first
  view.bmiHeader.biPlanes = 1;
  view.bmiHeader.biBitCount = 32;
  view.bmiHeader.biCompression = BI_RGB;
  return view;
}

// A view's pixel is 0x00RRGGBB; a colour is 0x00BBGGRR.
std::uint32_t SwapRedAndBlue(std::uint32_t pixel) {
  return ((pixel & 0xFFu) << 16) | (pixel & 0xFF00u) | ((pixel >> 16) & 0xFFu);
}

UniqueBitmap NewImage(HDC screen, const std::vector<std::uint32_t>& colours, int width, int height) {
  if (screen == nullptr || colours.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
    return UniqueBitmap();
  }
  UniqueBitmap image(CreateCompatibleBitmap(screen, width, height));
  if (!image) return UniqueBitmap();
  std::vector<std::uint32_t> pixels(colours.size());
  std::size_t i = 0;
  for (int x = 0; x < width; ++x) {
    for (int y = 0; y < height; ++y) pixels[static_cast<std::size_t>(y) * width + x] = SwapRedAndBlue(colours[i++]);
  }
  BITMAPINFO view = TopDownView(width, height);
  if (SetDIBits(screen, image.get(), 0, height, pixels.data(), &view, DIB_RGB_COLORS) != height) {
    return UniqueBitmap();
  }
  return image;
}

std::vector<std::uint32_t> ReadColours(HDC screen, HBITMAP image, int width, int height) {
  std::vector<std::uint32_t> colours;
  BITMAP size = {};
  if (image == nullptr || width <= 0 || height <= 0 || GetObjectA(image, sizeof(size), &size) == 0) return colours;
  const int ownWidth = size.bmWidth, ownHeight = size.bmHeight;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(ownWidth) * static_cast<std::size_t>(ownHeight));
  BITMAPINFO view = TopDownView(ownWidth, ownHeight);
  if (screen == nullptr ||
      GetDIBits(screen, image, 0, ownHeight, pixels.data(), &view, DIB_RGB_COLORS) != ownHeight) {
    return colours;
  }
  colours.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  for (int x = 0; x < width; ++x) {
    for (int y = 0; y < height; ++y) {
      colours.push_back(x < ownWidth && y < ownHeight ? SwapRedAndBlue(pixels[static_cast<std::size_t>(y) * ownWidth + x])
                                                      : CLR_INVALID);
    }
  }
  return colours;
}

}  // namespace

std::vector<std::uint32_t> ReadImageColours(HBITMAP image, int width, int height) {
  ScreenDc screen;
  return ReadColours(screen.get(), image, width, height);
}

std::vector<HBITMAP> BlendFrames(HBITMAP from, HBITMAP to, int steps) {
  if (from == nullptr || to == nullptr || steps < 1) return {};
  BITMAP size = {};
  if (GetObjectA(from, sizeof(size), &size) == 0 || size.bmWidth <= 0 || size.bmHeight <= 0) return {};
  const int width = size.bmWidth, height = size.bmHeight;
  ScreenDc screen;  // one for all the reading and writing
  const std::vector<std::uint32_t> a = ReadColours(screen.get(), from, width, height);
  const std::vector<std::uint32_t> b = ReadColours(screen.get(), to, width, height);
  if (a.empty() || b.empty()) return {};
  std::vector<UniqueBitmap> blends;
  for (int k = 1; k <= steps; ++k) {
    UniqueBitmap blend = NewImage(screen.get(), BlendColourTable(a, b, steps, k), width, height);
    if (!blend) return {};  // the blends made so far are freed on the way out
    blends.push_back(std::move(blend));
  }
  std::vector<HBITMAP> frames;
  frames.push_back(from);
  for (UniqueBitmap& blend : blends) frames.push_back(blend.release());
  frames.push_back(to);
  return frames;
}
