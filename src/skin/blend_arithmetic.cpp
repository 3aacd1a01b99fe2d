#include "skin/blend_arithmetic.h"

#include <cstddef>

namespace {

// To the nearest integer, ties to even, done by hand: the C library's nearbyint consults the
// floating-point environment on every call, which on some runtimes costs more than all the rest
// of a blend. Exact for the range a blend can take.
int RoundHalfToEven(float value) {
  int whole = static_cast<int>(value);
  if (static_cast<float>(whole) > value) --whole;  // floor, also below zero
  const float fraction = value - static_cast<float>(whole);
  if (fraction > 0.5f) return whole + 1;
  if (fraction < 0.5f) return whole;
  return (whole & 1) == 0 ? whole : whole + 1;
}

}  // namespace

int BlendChannel(int a, int b, int steps, int k) {
  const double exact = a + (static_cast<double>(b - a) / steps) * k;
  return RoundHalfToEven(static_cast<float>(exact));
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
    // Images hold runs of one colour pair; a run is blended once.
    if (i > 0 && from[i] == from[i - 1] && i < to.size() && to[i] == to[i - 1]) {
      blend[i] = blend[i - 1];
      continue;
    }
    blend[i] = BlendColour(from[i], i < to.size() ? to[i] : 0xFFFFFFFFu, steps, k);
  }
  return blend;
}
