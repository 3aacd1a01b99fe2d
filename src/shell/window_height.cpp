#include "shell/window_height.h"

int AnimatedHeight(int h0, int target, std::int32_t elapsedMs) {
  // The product is formed wide and wrapped to 32 bits, as 32-bit arithmetic would leave it;
  // C++ division truncates toward zero.
  const auto product = static_cast<std::int32_t>(
      static_cast<std::uint32_t>(static_cast<std::int64_t>(target - h0) * elapsedMs));
  return h0 + product / kHeightAnimationMs;
}

void AnimateHeight(int h0, int target, HeightAnimationForm form,
                   const std::function<std::int32_t()>& elapsedMs,
                   const std::function<void(int)>& setHeight) {
  const bool growing = target > h0;
  if (form == HeightAnimationForm::kSetThenTest) {
    int h;
    do {
      h = AnimatedHeight(h0, target, elapsedMs());
      setHeight(h);
    } while (growing ? h < target : h > target);
  } else {
    for (;;) {
      const int h = AnimatedHeight(h0, target, elapsedMs());
      if (growing ? h >= target : h <= target) break;
      setHeight(h);
    }
  }
  setHeight(target);
}
