#include "skin/image_button_machine.h"

#include <algorithm>
#include <cstddef>
#include <utility>

std::deque<ImageButton> ImageButtonList;
ImageButtonTracker ButtonTracker;

namespace {

using State = ImageButtonState;

// What a state plays: its frame list, count and duration, and its direction.
struct Sequence {
  const std::vector<ImageRef>* frames;
  std::int32_t count;
  std::int32_t duration;
  bool forward;
};

Sequence SequenceOf(const ImageButton& button) {
  switch (button.state) {
    case State::HoverIn:
      return {&button.hoverFrames, button.hoverFrameCount, button.hoverDuration, true};
    case State::HoverOut:
      return {&button.hoverFrames, button.hoverFrameCount, button.hoverDuration, false};
    case State::PressIn:
      return {&button.pressFrames, button.pressFrameCount, button.pressDuration, true};
    case State::PressOut:
      return {&button.pressFrames, button.pressFrameCount, button.pressDuration, false};
    case State::Disabling:
      return {&button.disableFrames, button.disableFrameCount, button.disableDuration, true};
    case State::Enabling:
      return {&button.disableFrames, button.disableFrameCount, button.disableDuration, false};
    case State::Idle:
      break;
  }
  return {nullptr, 0, 0, true};
}

// Entry index of the list, or 0 when the list has no such entry (a button without a disabled
// look plays its disable sequences without showing anything).
ImageRef EntryOf(const std::vector<ImageRef>& frames, std::int32_t index) {
  if (index < 0 || static_cast<std::size_t>(index) >= frames.size()) return 0;
  return frames[static_cast<std::size_t>(index)];
}

void Show(ImageButtonPlatform& platform, const ImageButton& button, ImageRef image) {
  if (image != 0 && platform.ImageExists(image)) platform.ShowImage(button.control, image);
}

void Enter(ImageButton& button, State state, std::uint32_t now) {
  button.state = state;
  button.stateStart = now;
}

void ForceTrackingPass() {
  ButtonTracker.pointerX = -1;
  ButtonTracker.pointerY = -1;
}

ImageButton* FindButton(ControlRef control) {
  for (ImageButton& button : ImageButtonList) {
    if (button.control == control) return &button;
  }
  return nullptr;
}

// The end of an animated state: the frame it leaves behind and the look it shows.
void EndState(ImageButtonPlatform& platform, ImageButton& button) {
  switch (button.state) {
    case State::HoverIn:
      button.frame = button.hoverFrameCount;
      Show(platform, button, EntryOf(button.pressFrames, 0));
      break;
    case State::HoverOut:
      button.frame = 0;
      Show(platform, button, EntryOf(button.hoverFrames, 0));
      break;
    case State::PressIn:
      button.frame = button.pressFrameCount;
      Show(platform, button, button.pressedImage);
      break;
    case State::PressOut:
      button.frame = button.hoverFrameCount;
      Show(platform, button, EntryOf(button.pressFrames, 0));
      break;
    case State::Disabling:
      button.frame = button.disableFrameCount;
      Show(platform, button, EntryOf(button.disableFrames, button.disableFrameCount - 1));
      break;
    case State::Enabling:
      button.frame = 0;
      Show(platform, button, EntryOf(button.disableFrames, 0));
      break;
    case State::Idle:
      break;
  }
  button.state = State::Idle;
  ForceTrackingPass();
}

// Every frame has its fixed time after the state began: the step away from frame f is due once
// more than f periods (forward) or count - f periods (backward) have passed.
bool FrameStepDue(const Sequence& sequence, std::int32_t frame, std::int32_t elapsed) {
  const float period = static_cast<float>(sequence.duration) / static_cast<float>(sequence.count);
  const float ratio = static_cast<float>(elapsed) / period;
  const std::int32_t periods = sequence.forward ? frame : sequence.count - frame;
  return static_cast<float>(periods) < ratio;
}

void StepAnimation(ImageButtonPlatform& platform, ImageButton& button, std::uint32_t now) {
  const Sequence sequence = SequenceOf(button);
  const std::int32_t elapsed = static_cast<std::int32_t>(now - button.stateStart);
  if (!FrameStepDue(sequence, button.frame, elapsed)) return;
  if (sequence.forward) {
    ++button.frame;
    if (button.frame >= sequence.count || button.frame < 0) return EndState(platform, button);
  } else {
    --button.frame;
    if (button.frame <= 0 || button.frame > sequence.count) return EndState(platform, button);
  }
  Show(platform, button, EntryOf(*sequence.frames, button.frame));
}

// Whether the pointer lies on the button as far as its mask is concerned.
bool PassesMask(ImageButtonPlatform& platform, const ImageButton& button, ScreenPoint pointer) {
  if (button.maskImage == 0) return true;
  const ScreenPoint client = platform.ClientPoint(button.window, pointer);
  std::uint32_t colour = 0;
  if (!platform.ReadPixel(button.maskImage, client.x - button.x, client.y - button.y, &colour)) {
    return true;
  }
  return colour != button.maskColour;
}

ImageButton* ButtonUnderPointer(ImageButtonPlatform& platform, ScreenPoint pointer) {
  const WindowRef under = platform.WindowAt(pointer);
  for (ImageButton& button : ImageButtonList) {
    if (!button.disabled && button.control == under && button.state != State::Enabling &&
        PassesMask(platform, button, pointer)) {
      return &button;
    }
  }
  return nullptr;
}

}  // namespace

void ForgetImageButtonState() {
  ImageButtonList.clear();
  ButtonTracker = ImageButtonTracker();
}

ControlRef RegisterImageButton(ImageButtonPlatform& platform, WindowRef window, int number, int x,
                               int y, const std::vector<ImageRef>& hoverFrames,
                               std::int32_t hoverFrameCount, std::int32_t hoverDuration,
                               const std::vector<ImageRef>& pressFrames, std::int32_t pressFrameCount,
                               std::int32_t pressDuration, ImageRef pressedImage,
                               const std::vector<ImageRef>& disableFrames,
                               std::int32_t disableFrameCount, std::int32_t disableDuration,
                               ImageRef maskImage, std::uint32_t maskColour, bool autoRepeat) {
  if (window == 0 || !platform.WindowExists(window) || hoverFrames.empty() || hoverFrameCount <= 0 ||
      pressFrames.empty() || pressFrameCount <= 0 || pressedImage == 0) {
    return 0;
  }
  const auto copyOf = [](const std::vector<ImageRef>& frames, std::int32_t count) {
    return std::vector<ImageRef>(frames.begin(),
                                 frames.begin() + std::min<std::size_t>(frames.size(), static_cast<std::size_t>(count)));
  };
  // The control comes first, so that a failure leaves no record behind.
  const ControlRef control = platform.CreateImageControl(window, number, x, y, hoverFrames[0]);
  if (control == 0) return 0;
  ImageButton button;
  button.window = window;
  button.control = control;
  button.hoverFrames = copyOf(hoverFrames, hoverFrameCount);
  button.hoverFrameCount = hoverFrameCount;
  button.hoverDuration = hoverDuration;
  button.pressFrames = copyOf(pressFrames, pressFrameCount);
  button.pressFrameCount = pressFrameCount;
  button.pressDuration = pressDuration;
  button.pressedImage = pressedImage;
  button.disableFrames = copyOf(disableFrames, disableFrameCount);
  button.disableFrameCount = disableFrameCount;
  button.disableDuration = disableDuration;
  button.maskImage = maskImage;
  button.maskColour = maskColour;
  button.autoRepeat = autoRepeat;
  button.x = x;
  button.y = y;
  ImageButtonList.push_back(std::move(button));
  return control;
}

void SetImageButtonDisabled(ImageButtonPlatform& platform, ControlRef control, bool disabled,
                            bool animate) {
  ImageButton* button = FindButton(control);
  if (button == nullptr || button->disabled == disabled) return;
  button->disabled = disabled;
  const auto forgetPointer = [button] {
    if (ButtonTracker.pressedButton == button) ButtonTracker.pressedButton = nullptr;
    if (ButtonTracker.hoveredButton == button) ButtonTracker.hoveredButton = nullptr;
  };
  const std::uint32_t now = platform.TickCount();
  if (!animate) {
    if (!button->autoRepeat && platform.PointerCaptured()) platform.ReleasePointer();
    if (disabled) forgetPointer();
    button->state = State::Idle;
    button->frame = 0;
  } else if (disabled) {
    Enter(*button, State::Disabling, now);
    button->frame = 0;
    forgetPointer();
  } else {
    Enter(*button, State::Enabling, now);
    ForceTrackingPass();
    if (platform.PointerCaptured()) platform.ReleasePointer();
  }
}

void PressImageButton(ImageButtonPlatform& platform, ControlRef control, bool leftClick) {
  ImageButton* button = FindButton(control);
  if (button == nullptr) {
    ButtonTracker.pendingControl = control;
    return;
  }
  if (!leftClick || button != ButtonTracker.hoveredButton) return;
  const std::uint32_t now = platform.TickCount();
  ButtonTracker.pressedButton = button;
  if (button->autoRepeat) ButtonTracker.repeatStart = now;
  Enter(*button, State::PressIn, now);
  button->frame = 0;
  if (platform.PointerCaptured()) platform.ReleasePointer();
  platform.CapturePointer(button->window);
}

void TrackImageButtonPointer(ImageButtonPlatform& platform) {
  if (ImageButtonList.empty()) return;
  ImageButtonTracker& t = ButtonTracker;
  t.previousX = t.pointerX;
  t.previousY = t.pointerY;
  const ScreenPoint pointer = platform.PointerPosition();
  t.pointerX = pointer.x;
  t.pointerY = pointer.y;
  if (t.pointerX == t.previousX && t.pointerY == t.previousY) return;
  // A drag that began outside every button highlights nothing.
  if (platform.PrimaryButtonDown() && t.pressedButton == nullptr) return;
  ImageButton* found = ButtonUnderPointer(platform, pointer);
  const std::uint32_t now = platform.TickCount();
  if (ImageButton* held = t.pressedButton) {
    if (found != t.hoveredButton && t.hoveredButton != nullptr && !held->disabled) {
      t.hoveredButton = nullptr;  // the pointer has left the held button
      Enter(*held, State::PressOut, now);
    } else if (found == held && t.hoveredButton == nullptr) {
      t.hoveredButton = held;  // and come back onto it
      Enter(*held, State::PressIn, now);
      held->frame = 0;
    }
    return;
  }
  if (found == t.hoveredButton) return;
  if (found != nullptr) {
    found->hoverOutPending = false;
    Enter(*found, State::HoverIn, now);  // from the frame it stands at
  }
  if (ImageButton* left = t.hoveredButton) {
    if (left->state == State::PressOut) {
      left->hoverOutPending = true;
    } else {
      Enter(*left, State::HoverOut, now);
    }
  }
  t.hoveredButton = found;
}

ControlRef PollImageButtonClick(ImageButtonPlatform& platform) {
  ImageButtonTracker& t = ButtonTracker;
  ControlRef result = 0;
  if (t.pendingControl != -1) {
    result = t.pendingControl;
    t.pendingControl = -1;
  }
  const std::uint32_t now = platform.TickCount();
  if (!platform.PrimaryButtonDown()) {
    if (ImageButton* held = t.pressedButton) {
      if (platform.PointerCaptured()) platform.ReleasePointer();
      t.repeatStart = 0;
      if (t.hoveredButton == held && !held->disabled) {
        Enter(*held, State::PressOut, now);
        result = held->control;
      } else {
        if (held->state == State::PressOut) {
          held->hoverOutPending = true;
        } else {
          Enter(*held, State::HoverOut, now);
        }
        ForceTrackingPass();
      }
      t.pressedButton = nullptr;
    } else {
      ForceTrackingPass();
    }
  } else if (t.repeatStart != 0 && static_cast<std::int32_t>(now - t.repeatStart) > 300 &&
             t.pressedButton != nullptr) {
    ImageButton* held = t.pressedButton;
    if (held->autoRepeat && t.hoveredButton == held) {
      result = held->control;
      t.repeatStart = now - 100;  // the next repeat comes more than 200 ms later
    } else {
      t.repeatStart = 0;
    }
  }
  return result;
}

void AnimateImageButtons(ImageButtonPlatform& platform) {
  if (ImageButtonList.empty()) return;
  const std::uint32_t now = platform.TickCount();
  for (ImageButton& button : ImageButtonList) {
    if (button.state != State::Idle) StepAnimation(platform, button, now);
    if (button.state == State::Idle && button.hoverOutPending && !button.disabled) {
      button.hoverOutPending = false;
      Enter(button, State::HoverOut, now);
    }
  }
}

std::int32_t ImageButtonTicksUntilChange(std::uint32_t now, std::int32_t horizon) {
  std::int32_t due = -1;
  const auto sooner = [&due](std::int32_t ticks) {
    if (due < 0 || ticks < due) due = ticks;
  };
  for (const ImageButton& button : ImageButtonList) {
    if (button.state == State::Idle) {
      if (button.hoverOutPending && !button.disabled) sooner(0);
      continue;
    }
    // The same test the animation pass makes, asked for each coming tick.
    const Sequence sequence = SequenceOf(button);
    const std::int32_t elapsed = static_cast<std::int32_t>(now - button.stateStart);
    for (std::int32_t ahead = 0; ahead <= horizon; ++ahead) {
      if (FrameStepDue(sequence, button.frame, elapsed + ahead)) {
        sooner(ahead);
        break;
      }
    }
  }
  const ImageButtonTracker& t = ButtonTracker;
  if (t.repeatStart != 0 && t.pressedButton != nullptr) {
    const std::int32_t held = static_cast<std::int32_t>(now - t.repeatStart);
    sooner(held > 300 ? 0 : 301 - held);
  }
  return due;
}
