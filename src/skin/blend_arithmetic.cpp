#include "skin/blend_arithmetic.h"

#include <cmath>
#include <cstddef>

int BlendChannel(int a, int b, int steps, int k) {
  const double exact = a + (static_cast<double>(b - a) / steps) * k;
  // nearbyint rounds in the present rounding mode, which is to nearest with ties to even
  // unless someone changed it; the program never does.
  return static_cast<int>(std::nearbyint(static_cast<float>(exact)));
}

std::uint32_t BlendColour(std::uint32_t from, std::uint32_t to, int steps, int k) {
  std::uint32_t blend = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const int a = static_cast<int>((from >> shift) & 0xFF);
    const int b = static_cast<int>((to >> shift) & 0xFF);
    blend |= static_cast<std::uint32_t>(BlendChannel(a, b, steps, k)) << shift;
  }
  return blend;
}

std::vector<std::uint32_t> BlendColourTable(const std::vector<std::uint32_t>& from,
                                            const std::vector<std::uint32_t>& to, int steps, int k) {
  std::vector<std::uint32_t> blend(from.size());
  for (std::size_t i = 0; i < from.size(); ++i) {
    blend[i] = BlendColour(from[i], i < to.size() ? to[i] : 0xFFFFFFFFu, steps, k);
  }
  return blend;
}
