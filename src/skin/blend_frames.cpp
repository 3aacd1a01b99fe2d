// Pixels are read and written one by one through GetPixel and SetPixel on memory DCs: the
// images are a few thousand pixels, blended once at start-up, and this way the colours are
// exactly those the window system reports, whatever the images' formats.
#include "skin/blend_frames.h"

#include <cstdint>

#include "base/win_handles.h"
#include "skin/blend_arithmetic.h"

namespace {

UniqueBitmap NewImage(const std::vector<std::uint32_t>& colours, int width, int height) {
  ScreenDc screen;
  if (screen.get() == nullptr) return UniqueBitmap();
  UniqueBitmap image(CreateCompatibleBitmap(screen.get(), width, height));
  UniqueMemoryDc dc(CreateCompatibleDC(screen.get()));
  if (!image || !dc) return UniqueBitmap();
  ScopedSelectObject selected(dc.get(), image.get());
  if (!selected.ok()) return UniqueBitmap();
  std::size_t i = 0;
  for (int x = 0; x < width; ++x) {
    for (int y = 0; y < height; ++y) SetPixel(dc.get(), x, y, colours[i++]);
  }
  return image;
}

}  // namespace

std::vector<std::uint32_t> ReadImageColours(HBITMAP image, int width, int height) {
  std::vector<std::uint32_t> colours;
  UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
  if (!dc) return colours;
  ScopedSelectObject selected(dc.get(), image);
  if (!selected.ok()) return colours;
  colours.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  for (int x = 0; x < width; ++x) {
    for (int y = 0; y < height; ++y) colours.push_back(GetPixel(dc.get(), x, y));
  }
  return colours;
}

std::vector<HBITMAP> BlendFrames(HBITMAP from, HBITMAP to, int steps) {
  if (from == nullptr || to == nullptr || steps < 1) return {};
  BITMAP size = {};
  if (GetObjectA(from, sizeof(size), &size) == 0 || size.bmWidth <= 0 || size.bmHeight <= 0) return {};
  const int width = size.bmWidth, height = size.bmHeight;
  const std::vector<std::uint32_t> a = ReadImageColours(from, width, height);
  const std::vector<std::uint32_t> b = ReadImageColours(to, width, height);
  if (a.empty() || b.empty()) return {};
  std::vector<UniqueBitmap> blends;
  for (int k = 1; k <= steps; ++k) {
    UniqueBitmap blend = NewImage(BlendColourTable(a, b, steps, k), width, height);
    if (!blend) return {};  // the blends made so far are freed on the way out
    blends.push_back(std::move(blend));
  }
  std::vector<HBITMAP> frames;
  frames.push_back(from);
  for (UniqueBitmap& blend : blends) frames.push_back(blend.release());
  frames.push_back(to);
  return frames;
}
