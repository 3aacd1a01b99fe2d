#include "skin/image_button_machine.h"

#include <algorithm>
#include <cstddef>
#include <utility>

namespace {

using State = ImageButtonState;

// What a state plays: its frame sequence, and its direction.
struct Sequence {
  const FrameSequence* frames;
  bool forward;
};

Sequence SequenceOf(const ImageButton& button) {
  switch (button.state) {
    case State::HoverIn:
      return {&button.hover, true};
    case State::HoverOut:
      return {&button.hover, false};
    case State::PressIn:
      return {&button.press, true};
    case State::PressOut:
      return {&button.press, false};
    case State::Disabling:
      return {&button.disable, true};
    case State::Enabling:
      return {&button.disable, false};
    case State::Idle:
      break;
  }
  return {nullptr, true};
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

// Every frame has its fixed time after the state began: the step away from frame f is due once
// more than f periods (forward) or count - f periods (backward) have passed.
bool FrameStepDue(const Sequence& sequence, std::int32_t frame, std::int32_t elapsed) {
  const FrameSequence& frames = *sequence.frames;
  const float period = static_cast<float>(frames.duration) / static_cast<float>(frames.count);
  const float ratio = static_cast<float>(elapsed) / period;
  const std::int32_t periods = sequence.forward ? frame : frames.count - frame;
  return static_cast<float>(periods) < ratio;
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

FrameSequence CutToCount(const FrameSequence& sequence) {
  const std::size_t kept =
      std::min<std::size_t>(sequence.frames.size(), static_cast<std::size_t>(sequence.count));
  const auto first = sequence.frames.begin();
  return {std::vector<ImageRef>(first, first + static_cast<std::ptrdiff_t>(kept)), sequence.count,
          sequence.duration};
}

}  // namespace

void ImageButtonSet::ForceTrackingPass() {
  tracker_.pointerX = -1;
  tracker_.pointerY = -1;
}

ImageButton* ImageButtonSet::FindButton(ControlRef control) {
  for (ImageButton& button : buttons_) {
    if (button.control == control) return &button;
  }
  return nullptr;
}

// The end of an animated state: the frame it leaves behind and the look it shows.
void ImageButtonSet::EndState(ImageButton& button) {
  switch (button.state) {
    case State::HoverIn:
      button.frame = button.hover.count;
      Show(platform_, button, EntryOf(button.press.frames, 0));
      break;
    case State::HoverOut:
      button.frame = 0;
      Show(platform_, button, EntryOf(button.hover.frames, 0));
      break;
    case State::PressIn:
      button.frame = button.press.count;
      Show(platform_, button, button.pressedImage);
      break;
    case State::PressOut:
      button.frame = button.hover.count;
      Show(platform_, button, EntryOf(button.press.frames, 0));
      break;
    case State::Disabling:
      button.frame = button.disable.count;
      Show(platform_, button, EntryOf(button.disable.frames, button.disable.count - 1));
      break;
    case State::Enabling:
      button.frame = 0;
      Show(platform_, button, EntryOf(button.disable.frames, 0));
      break;
    case State::Idle:
      break;
  }
  button.state = State::Idle;
  ForceTrackingPass();
}

void ImageButtonSet::StepAnimation(ImageButton& button, std::uint32_t now) {
  const Sequence sequence = SequenceOf(button);
  const std::int32_t count = sequence.frames->count;
  const std::int32_t elapsed = static_cast<std::int32_t>(now - button.stateStart);
  if (!FrameStepDue(sequence, button.frame, elapsed)) return;
  if (sequence.forward) {
    ++button.frame;
    if (button.frame >= count || button.frame < 0) return EndState(button);
  } else {
    --button.frame;
    if (button.frame <= 0 || button.frame > count) return EndState(button);
  }
  Show(platform_, button, EntryOf(sequence.frames->frames, button.frame));
}

ImageButton* ImageButtonSet::ButtonUnderPointer(ScreenPoint pointer) {
  const WindowRef under = platform_.WindowAt(pointer);
  for (ImageButton& button : buttons_) {
    if (!button.disabled && button.control == under && button.state != State::Enabling &&
        PassesMask(platform_, button, pointer)) {
      return &button;
    }
  }
  return nullptr;
}

ControlRef ImageButtonSet::Register(const ImageButtonDescription& description) {
  const ImageButtonDescription& d = description;
  if (d.window == 0 || !platform_.WindowExists(d.window) || d.hover.frames.empty() || d.hover.count <= 0 ||
      d.press.frames.empty() || d.press.count <= 0 || d.pressedImage == 0) {
    return 0;
  }
  // The control comes first, so that a failure leaves no record behind.
  const ControlRef control = platform_.CreateImageControl(d.window, d.number, d.x, d.y, d.hover.frames[0]);
  if (control == 0) return 0;
  ImageButton button;
  static_cast<ImageButtonDescription&>(button) = d;
  button.hover = CutToCount(d.hover);
  button.press = CutToCount(d.press);
  button.disable = CutToCount(d.disable);
  button.control = control;
  buttons_.push_back(std::move(button));
  return control;
}

void ImageButtonSet::SetDisabled(ControlRef control, bool disabled, bool animate) {
  ImageButton* button = FindButton(control);
  if (button == nullptr || button->disabled == disabled) return;
  button->disabled = disabled;
  const auto forgetPointer = [this, button] {
    if (tracker_.pressedButton == button) tracker_.pressedButton = nullptr;
    if (tracker_.hoveredButton == button) tracker_.hoveredButton = nullptr;
  };
  const std::uint32_t now = platform_.TickCount();
  if (!animate) {
    if (!button->autoRepeat && platform_.PointerCaptured()) platform_.ReleasePointer();
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
    if (platform_.PointerCaptured()) platform_.ReleasePointer();
  }
}

void ImageButtonSet::Press(ControlRef control, bool leftClick) {
  ImageButton* button = FindButton(control);
  if (button == nullptr) {
    tracker_.pendingControl = control;
    return;
  }
  if (!leftClick || button != tracker_.hoveredButton) return;
  const std::uint32_t now = platform_.TickCount();
  tracker_.pressedButton = button;
  if (button->autoRepeat) tracker_.repeatStart = now;
  Enter(*button, State::PressIn, now);
  button->frame = 0;
  if (platform_.PointerCaptured()) platform_.ReleasePointer();
  platform_.CapturePointer(button->window);
}

void ImageButtonSet::TrackPointer() {
  if (buttons_.empty()) return;
  ImageButtonTracker& t = tracker_;
  t.previousX = t.pointerX;
  t.previousY = t.pointerY;
  const ScreenPoint pointer = platform_.PointerPosition();
  t.pointerX = pointer.x;
  t.pointerY = pointer.y;
  if (t.pointerX == t.previousX && t.pointerY == t.previousY) return;
  // A drag that began outside every button highlights nothing.
  if (platform_.PrimaryButtonDown() && t.pressedButton == nullptr) return;
  ImageButton* found = ButtonUnderPointer(pointer);
  const std::uint32_t now = platform_.TickCount();
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

ControlRef ImageButtonSet::PollClick() {
  ImageButtonTracker& t = tracker_;
  ControlRef result = 0;
  if (t.pendingControl != -1) {
    result = t.pendingControl;
    t.pendingControl = -1;
  }
  const std::uint32_t now = platform_.TickCount();
  if (!platform_.PrimaryButtonDown()) {
    if (ImageButton* held = t.pressedButton) {
      if (platform_.PointerCaptured()) platform_.ReleasePointer();
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
  } else if (t.repeatStart != 0 && static_cast<std::int32_t>(now - t.repeatStart) > kAutoRepeatDelay &&
             t.pressedButton != nullptr) {
    ImageButton* held = t.pressedButton;
    if (held->autoRepeat && t.hoveredButton == held) {
      result = held->control;
      // Set back so that the delay test holds again once more than the interval has passed.
      t.repeatStart = now - static_cast<std::uint32_t>(kAutoRepeatDelay - kAutoRepeatInterval);
    } else {
      t.repeatStart = 0;
    }
  }
  return result;
}

void ImageButtonSet::Animate() {
  if (buttons_.empty()) return;
  const std::uint32_t now = platform_.TickCount();
  for (ImageButton& button : buttons_) {
    if (button.state != State::Idle) StepAnimation(button, now);
    if (button.state == State::Idle && button.hoverOutPending && !button.disabled) {
      button.hoverOutPending = false;
      Enter(button, State::HoverOut, now);
    }
  }
}

std::int32_t ImageButtonSet::TicksUntilChange(std::uint32_t now, std::int32_t horizon) const {
  std::int32_t due = -1;
  const auto sooner = [&due](std::int32_t ticks) {
    if (due < 0 || ticks < due) due = ticks;
  };
  for (const ImageButton& button : buttons_) {
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
  const ImageButtonTracker& t = tracker_;
  if (t.repeatStart != 0 && t.pressedButton != nullptr) {
    const std::int32_t held = static_cast<std::int32_t>(now - t.repeatStart);
    sooner(held > kAutoRepeatDelay ? 0 : kAutoRepeatDelay + 1 - held);
  }
  return due;
}
