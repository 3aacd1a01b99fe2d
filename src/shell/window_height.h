// The heights the window passes through when it grows or shrinks for the player: linear over
// 200 ms from the height it had, computed from the time that has passed. Portable: the clock and
// the window are handed in, so the sequence can be checked with a fake clock.
#pragma once

#include <cstdint>
#include <functional>

constexpr int kHeightAnimationMs = 200;

// h0 + (target - h0) * elapsedMs / 200, in signed 32-bit integers with the quotient truncated
// toward zero.
int AnimatedHeight(int h0, int target, std::int32_t elapsedMs);

enum class HeightAnimationForm {
  // Set the height, then stop once it has reached the target (the last step may pass it).
  kSetThenTest,
  // Stop before setting a height that reaches or passes the target; none is ever passed.
  kTestThenSet,
};

// Runs one animation from h0 to target: elapsedMs() gives the milliseconds since it began,
// setHeight(h) sets the window's client height (and pauses). Ends by setting target exactly.
void AnimateHeight(int h0, int target, HeightAnimationForm form,
                   const std::function<std::int32_t()>& elapsedMs,
                   const std::function<void(int)>& setHeight);
