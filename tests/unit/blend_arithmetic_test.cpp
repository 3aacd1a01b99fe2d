#include "skin/blend_arithmetic.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

TEST(BlendArithmetic, ChannelsRoundToNearestWithTiesToEven) {
  const struct Case {
    int a, b, steps;
    std::vector<int> blends;  // k = 1 .. steps
  } cases[] = {
      {0, 255, 5, {51, 102, 153, 204, 255}},
      {10, 13, 5, {11, 11, 12, 12, 13}},  // 10.6, 11.2, 11.8, 12.4, 13.0
      {255, 0, 5, {204, 153, 102, 51, 0}},
      {0, 5, 2, {2, 5}},   // 2.5 goes to the even 2
      {0, 7, 2, {4, 7}},   // 3.5 goes to the even 4
      {0, 200, 1, {200}},  // one step: the blend is the "to" colour
      {77, 77, 5, {77, 77, 77, 77, 77}},
  };
  for (const Case& c : cases) {
    for (int k = 1; k <= c.steps; ++k) {
      EXPECT_EQ(BlendChannel(c.a, c.b, c.steps, k), c.blends[static_cast<size_t>(k - 1)])
          << c.a << "->" << c.b << " in " << c.steps << ", blend " << k;
    }
  }
}

// The hand-made rounding against the C library's, over every pair of channels and the step
// counts buttons use.
TEST(BlendArithmetic, ChannelsRoundAsTheLibraryRoundsEverywhere) {
  for (int steps = 1; steps <= 8; ++steps) {
    for (int k = 1; k <= steps; ++k) {
      for (int a = 0; a < 256; ++a) {
        for (int b = 0; b < 256; ++b) {
          const double exact = a + (static_cast<double>(b - a) / steps) * k;
          const int expected = static_cast<int>(std::nearbyint(static_cast<float>(exact)));
          ASSERT_EQ(BlendChannel(a, b, steps, k), expected) << a << "->" << b << " in " << steps << ", blend " << k;
        }
      }
    }
  }
}

TEST(BlendArithmetic, ColoursBlendPerChannelAndIgnoreTheTopByte) {
  // red 0 -> 255, green 10 -> 13, blue 255 -> 0, in five steps
  EXPECT_EQ(BlendColour(0x00FF0A00u, 0x00000DFFu, 5, 1), 0x00CC0B33u);
  EXPECT_EQ(BlendColour(0x00FF0A00u, 0x00000DFFu, 5, 3), 0x00660C99u);
  // The invalid colour of a pixel outside the "to" image reads as white.
  EXPECT_EQ(BlendColour(0x00000000u, 0xFFFFFFFFu, 1, 1), 0x00FFFFFFu);
}

TEST(BlendArithmetic, TablesBlendEntryByEntryAndAnImageWithItselfStaysTheSame) {
  const std::vector<std::uint32_t> image = {0x00000000u, 0x00123456u, 0x00FFFFFFu, 0x00808080u};
  for (int k = 1; k <= 5; ++k) EXPECT_EQ(BlendColourTable(image, image, 5, k), image) << k;
  const std::vector<std::uint32_t> to = {0x00FFFFFFu, 0x00123456u, 0x00000000u, 0x00808080u};
  EXPECT_EQ(BlendColourTable(image, to, 5, 1),
            (std::vector<std::uint32_t>{0x00333333u, 0x00123456u, 0x00CCCCCCu, 0x00808080u}));
  EXPECT_EQ(BlendColourTable(image, to, 1, 1), to);
  // A "to" table that is too short reads as white where it ends.
  EXPECT_EQ(BlendColourTable(image, {}, 1, 1), std::vector<std::uint32_t>(4, 0x00FFFFFFu));
}
