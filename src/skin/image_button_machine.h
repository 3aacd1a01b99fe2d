// The image buttons' behaviour: hover, press, release and the fades between their looks, as
// plain state over a small platform interface. The Win32 glue (image_button.cpp) answers the
// interface with the real clock, pointer, capture and image controls; tests answer it with a
// fake clock and pointer. Images, controls and windows are opaque non-zero integers here.
//
// Nothing here locks: the glue holds GuiLock around every call of a set (see image_button.h).
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

using ImageRef = std::intptr_t;    // 0 = none
using ControlRef = std::intptr_t;  // the button's image control; its identity. 0 = none
using WindowRef = std::intptr_t;   // 0 = none

struct ScreenPoint {
  int x;
  int y;
};

// What the buttons need from the window system.
class ImageButtonPlatform {
 public:
  virtual ~ImageButtonPlatform() = default;
  virtual std::uint32_t TickCount() = 0;
  virtual ScreenPoint PointerPosition() = 0;
  // The innermost window at a screen point, 0 when there is none.
  virtual WindowRef WindowAt(ScreenPoint screen) = 0;
  virtual bool PrimaryButtonDown() = 0;
  virtual void CapturePointer(WindowRef window) = 0;
  virtual void ReleasePointer() = 0;
  virtual bool PointerCaptured() = 0;
  virtual bool ImageExists(ImageRef image) = 0;
  virtual void ShowImage(ControlRef control, ImageRef image) = 0;
  // A screen point in the window's client coordinates; -1, -1 when it lies outside the client
  // area.
  virtual ScreenPoint ClientPoint(WindowRef window, ScreenPoint screen) = 0;
  // The colour at (x, y) of an image; false when the image cannot be read.
  virtual bool ReadPixel(ImageRef image, int x, int y, std::uint32_t* colour) = 0;
  virtual bool WindowExists(WindowRef window) = 0;
  // A new image control in the window at (x, y), sized to its image and showing it, that
  // reports a primary-button click as a left-click control event. number -1 lets the platform
  // choose the control's number. 0 on failure.
  virtual ControlRef CreateImageControl(WindowRef window, int number, int x, int y, ImageRef image) = 0;
};

enum class ImageButtonState : std::int8_t {
  Idle = 0,
  HoverIn = 1,
  HoverOut = 2,
  PressIn = 3,
  PressOut = 4,
  Disabling = 5,
  Enabling = 6,
};

// Auto-repeat: the first repeat once more than kAutoRepeatDelay ms of holding have passed, then
// one each time more than kAutoRepeatInterval ms have passed since the last.
constexpr std::int32_t kAutoRepeatDelay = 300;
constexpr std::int32_t kAutoRepeatInterval = 200;

// The frames a button plays between two of its looks: count frames over duration ms.
struct FrameSequence {
  std::vector<ImageRef> frames;
  std::int32_t count = 0;
  std::int32_t duration = 0;
};

// A button as its maker describes it.
struct ImageButtonDescription {
  WindowRef window = 0;
  int number = -1;   // the control's number; -1 lets the platform choose
  int x = 0, y = 0;  // the control's place in its window, also for the mask
  FrameSequence hover;    // normal ... hover
  FrameSequence press;    // hover ... pressed
  FrameSequence disable;  // normal ... disabled; no frames when the button has no disabled look
  ImageRef pressedImage = 0;
  ImageRef maskImage = 0;
  std::uint32_t maskColour = 0;  // mask pixels of this colour lie outside the button
  bool autoRepeat = false;
};

struct ImageButton : ImageButtonDescription {
  ControlRef control = 0;
  ImageButtonState state = ImageButtonState::Idle;
  // Position in the present or last sequence; equal to its count once played to the end.
  std::int32_t frame = 0;
  std::uint32_t stateStart = 0;
  bool hoverOutPending = false;
  bool disabled = false;
};

struct ImageButtonTracker {
  int pointerX = 0, previousX = 0;  // -1 makes the next tracking pass look again
  int pointerY = 0, previousY = 0;
  ImageButton* pressedButton = nullptr;
  ImageButton* hoveredButton = nullptr;
  std::uint32_t repeatStart = 0;  // 0 = no auto-repeat running
  ControlRef pendingControl = -1;  // a control that is no image button, clicked; -1 = none
};

// The buttons of one window system and the pointer's dealings with them. The tracker points
// into the records, so a set is never copied.
class ImageButtonSet {
 public:
  explicit ImageButtonSet(ImageButtonPlatform& platform) : platform_(platform) {}
  ImageButtonSet(const ImageButtonSet&) = delete;
  ImageButtonSet& operator=(const ImageButtonSet&) = delete;

  // Registers a button over ready-made frame lists (each cut to its count); the disable list
  // may be empty. Returns the new control, or 0 (and adds nothing) when the window does not
  // exist, a hover or press list or count or the pressed image is missing, or the control
  // cannot be made.
  ControlRef Register(const ImageButtonDescription& description);

  // Changes only state; the image shown after a change without animation is the caller's.
  void SetDisabled(ControlRef control, bool disabled, bool animate);

  // A control event that the loop does not handle itself: a left click (leftClick true) on the
  // hovered button presses it; an event of a control that is no button is handed back by the
  // next poll.
  void Press(ControlRef control, bool leftClick);

  void TrackPointer();

  // The control clicked (or repeated) since the last poll, a passed-on control, or 0.
  ControlRef PollClick();

  void Animate();

  // Ticks from now until an animation pass or an auto-repeat poll first has something to do, 0
  // when one has now, -1 when none will within horizon ticks (no animation running).
  std::int32_t TicksUntilChange(std::uint32_t now, std::int32_t horizon) const;

  const std::deque<ImageButton>& Buttons() const { return buttons_; }
  const ImageButtonTracker& Tracker() const { return tracker_; }

 private:
  ImageButton* FindButton(ControlRef control);
  ImageButton* ButtonUnderPointer(ScreenPoint pointer);
  void EndState(ImageButton& button);
  void StepAnimation(ImageButton& button, std::uint32_t now);
  void ForceTrackingPass();

  ImageButtonPlatform& platform_;
  // Records are appended and never removed, so the tracker's pointers stay valid (a deque never
  // moves its elements when it grows at the end).
  std::deque<ImageButton> buttons_;
  ImageButtonTracker tracker_;
};
