// The image buttons' behaviour: hover, press, release and the fades between their looks, as
// plain state over a small platform interface. The Win32 glue (image_button.cpp) answers the
// interface with the real clock, pointer, capture and image controls; tests answer it with a
// fake clock and pointer. Images, controls and windows are opaque non-zero integers here.
//
// Nothing here locks: the glue holds GuiLock around every call (see image_button.h).
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

struct ImageButton {
  WindowRef window = 0;
  ControlRef control = 0;
  std::vector<ImageRef> hoverFrames;  // normal ... hover
  std::int32_t hoverFrameCount = 0;
  std::int32_t hoverDuration = 0;
  std::vector<ImageRef> pressFrames;  // hover ... pressed
  std::int32_t pressFrameCount = 0;
  std::int32_t pressDuration = 0;
  ImageRef pressedImage = 0;
  std::vector<ImageRef> disableFrames;  // normal ... disabled; empty when the button has none
  std::int32_t disableFrameCount = 0;
  std::int32_t disableDuration = 0;
  ImageButtonState state = ImageButtonState::Idle;
  // Position in the present or last sequence; equal to its count once played to the end.
  std::int32_t frame = 0;
  std::uint32_t stateStart = 0;
  bool hoverOutPending = false;
  bool disabled = false;
  ImageRef maskImage = 0;
  std::uint32_t maskColour = 0;  // mask pixels of this colour lie outside the button
  bool autoRepeat = false;
  int x = 0, y = 0;  // the control's place in its window, for the mask
};

struct ImageButtonTracker {
  int pointerX = 0, previousX = 0;  // -1 makes the next tracking pass look again
  int pointerY = 0, previousY = 0;
  ImageButton* pressedButton = nullptr;
  ImageButton* hoveredButton = nullptr;
  std::uint32_t repeatStart = 0;  // 0 = no auto-repeat running
  ControlRef pendingControl = -1;  // a control that is no image button, clicked; -1 = none
};

// Records are appended and never removed, so references to them stay valid (a deque never
// moves its elements when it grows at the end).
extern std::deque<ImageButton> ImageButtonList;
extern ImageButtonTracker ButtonTracker;

// Empties the list and resets the tracker (the end sequence, and tests).
void ForgetImageButtonState();

// Registers a button over ready-made frame lists (each list is copied); the disable list may be
// empty. Returns the new control, or 0 (and adds nothing) when the window does not exist, a
// hover or press list or count or the pressed image is missing, or the control cannot be made.
ControlRef RegisterImageButton(ImageButtonPlatform& platform, WindowRef window, int number, int x,
                               int y, const std::vector<ImageRef>& hoverFrames,
                               std::int32_t hoverFrameCount, std::int32_t hoverDuration,
                               const std::vector<ImageRef>& pressFrames, std::int32_t pressFrameCount,
                               std::int32_t pressDuration, ImageRef pressedImage,
                               const std::vector<ImageRef>& disableFrames,
                               std::int32_t disableFrameCount, std::int32_t disableDuration,
                               ImageRef maskImage, std::uint32_t maskColour, bool autoRepeat);

// Changes only state; the image shown after a change without animation is the caller's.
void SetImageButtonDisabled(ImageButtonPlatform& platform, ControlRef control, bool disabled,
                            bool animate);

// A control event that the loop does not handle itself: a left click (leftClick true) on the
// hovered button presses it; an event of a control that is no button is handed back by the next
// poll.
void PressImageButton(ImageButtonPlatform& platform, ControlRef control, bool leftClick);

void TrackImageButtonPointer(ImageButtonPlatform& platform);

// The control clicked (or repeated) since the last poll, a passed-on control, or 0.
ControlRef PollImageButtonClick(ImageButtonPlatform& platform);

void AnimateImageButtons(ImageButtonPlatform& platform);

// Ticks from now until an animation pass or an auto-repeat poll first has something to do, 0
// when one has now, -1 when none will within horizon ticks (no animation running).
std::int32_t ImageButtonTicksUntilChange(std::uint32_t now, std::int32_t horizon);
