// GoButton and SaveButton: image controls whose picture the program sets itself. Each look
// (normal, hover, pressed, disabled) changes through cross-fade frames made at creation; the
// buttons find the pointer themselves, capture it while held and report a click when the
// primary button is released over the button that was pressed. The behaviour lives in
// image_button_machine.cpp; this is its Win32 side, owned by the shell from start-up to the end
// sequence.
//
// Every operation runs on the main thread and takes GuiLock itself, except SetDisabled and the
// enablers' use of Set(), which run inside their caller's hold of GuiLock. Nothing done under
// GuiLock sends a message to another thread's window: the main thread may be the one waiting
// for the lock.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "base/win_handles.h"
#include "skin/image_button_machine.h"
#include "skin/pointer_helpers.h"

// The buttons' window system: the real clock, pointer, capture and static image controls.
class Win32ButtonPlatform : public ImageButtonPlatform {
 public:
  std::uint32_t TickCount() override;
  ScreenPoint PointerPosition() override;
  WindowRef WindowAt(ScreenPoint screen) override;
  bool PrimaryButtonDown() override;
  void CapturePointer(WindowRef window) override;
  void ReleasePointer() override;
  bool PointerCaptured() override;
  bool ImageExists(ImageRef image) override;
  void ShowImage(ControlRef control, ImageRef image) override;
  ScreenPoint ClientPoint(WindowRef window, ScreenPoint screen) override;
  bool ReadPixel(ImageRef image, int x, int y, std::uint32_t* colour) override;
  bool WindowExists(WindowRef window) override;
  ControlRef CreateImageControl(WindowRef window, int number, int x, int y, ImageRef image) override;
};

// The window's image buttons with the blended frames they play. The shell destroys it under
// GuiLock, once no enabler thread runs and the window is gone.
class ImageButtons {
 public:
  ImageButtons() = default;
  ImageButtons(const ImageButtons&) = delete;
  ImageButtons& operator=(const ImageButtons&) = delete;
  ~ImageButtons();

  // Each sequence of the description is given by its two end looks (first and last) and its
  // count; it is made into count frames, the cross-fades between the looks made here. A disable
  // sequence without looks leaves the button without a disabled look. Returns the control, or 0
  // when the window or a needed look is missing or a count is below 3. Main thread, at start-up.
  HWND Create(const ImageButtonDescription& description);

  // Changes the button's disabled flag, animated (the fade plays in the next passes) or at once.
  // Only state changes here; after a change without animation the caller shows the image it
  // wants. The caller holds GuiLock (start-up calls it before any other thread uses the buttons).
  void SetDisabled(HWND control, bool disabled, bool animate);

  // For every control event the main loop does not handle itself.
  void Press(HWND control, int eventType);

  // The three steps of every loop pass, in this order.
  void Animate();
  void TrackPointer();
  // The button clicked since the last poll, a control of another kind whose event came to
  // Press, or 0.
  HWND PollClick();

  // Ticks until the animation or poll steps above first have something to do, 0 when they have
  // now, -1 when nothing will within horizon ticks.
  std::int32_t TicksUntilChange(std::int32_t horizon);

  // The machine itself, for the enabler threads (see pointer_helpers.h) and tests; used only
  // under GuiLock.
  ImageButtonSet& Set() { return set_; }

 private:
  Win32ButtonPlatform platform_;
  ImageButtonSet set_{platform_};
  std::vector<UniqueBitmap> blendedFrames_;  // freed with the buttons
};
