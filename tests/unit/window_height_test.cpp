#include "shell/window_height.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

// Runs an animation against a clock that answers with the given readings in turn (the last one
// over and over) and returns every height that was set.
std::vector<int> HeightsSet(int h0, int target, HeightAnimationForm form,
                            const std::vector<std::int32_t>& clock) {
  std::vector<int> heights;
  size_t reading = 0;
  AnimateHeight(
      h0, target, form,
      [&] { return clock[reading < clock.size() ? reading++ : clock.size() - 1]; },
      [&](int h) { heights.push_back(h); });
  return heights;
}

TEST(WindowHeight, EachFormStopsWhereItMustAndEndsExactlyAtItsTarget) {
  const auto setThenTest = HeightAnimationForm::kSetThenTest;
  const auto testThenSet = HeightAnimationForm::kTestThenSet;
  struct Case {
    const char* what;
    int h0, target;
    HeightAnimationForm form;
    std::vector<std::int32_t> clock;
    std::vector<int> heights;
  } const cases[] = {
      {"grow to full", 185, 485, setThenTest, {0, 50, 100, 150, 199, 200}, {185, 260, 335, 410, 483, 485, 485}},
      {"grow to full, the clock jumps past the end", 185, 485, setThenTest, {0, 250}, {185, 560, 485}},
      {"grow from mini", 255, 485, setThenTest, {1, 2, 201}, {256, 257, 486, 485}},
      // -300 * 1 / 200 is -1.5: truncated toward zero it is -1 (484), not -2.
      {"collapse from full", 485, 185, setThenTest, {1, 3, 201}, {484, 481, 184, 185}},
      {"collapse from mini", 255, 185, setThenTest, {0, 100, 200}, {255, 220, 185, 185}},
      {"collapse when already collapsed", 185, 185, setThenTest, {0, 5}, {185, 185}},
      {"mini from full, never below 255", 485, 255, testThenSet, {0, 100, 199, 200}, {485, 370, 257, 255}},
      {"mini from full, the clock jumps past the end", 485, 255, testThenSet, {0, 300}, {485, 255}},
      {"mini from collapsed, never above 255", 185, 255, testThenSet, {0, 100, 250}, {185, 220, 255}},
      {"mini from mini", 255, 255, testThenSet, {0}, {255}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<int> heights = HeightsSet(c.h0, c.target, c.form, c.clock);
    EXPECT_EQ(heights, c.heights);
    ASSERT_FALSE(heights.empty());
    EXPECT_EQ(heights.back(), c.target);
  }
}

TEST(WindowHeight, LinearInSigned32BitTruncatedTowardZero) {
  struct Case {
    int h0, target;
    std::int32_t elapsed;
    int height;
  } const cases[] = {
      {185, 485, 0, 185},   {185, 485, 1, 186},   {185, 485, 100, 335}, {185, 485, 200, 485},
      {485, 185, 1, 484},   {485, 185, 199, 187}, {485, 255, 1, 484},   {485, 255, 3, 482},
      {255, 185, 1, 255},   {255, 185, 3, 254},   {185, 485, 400, 785},
      {185, 485, -1, 184},  // a clock read before the start counts backwards, truncated toward zero
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AnimatedHeight(c.h0, c.target, c.elapsed), c.height)
        << c.h0 << " -> " << c.target << " after " << c.elapsed << " ms";
  }
}

}  // namespace
