// GoButton and SaveButton: image controls whose picture the program sets itself. Each look
// (normal, hover, pressed, disabled) changes through cross-fade frames made at creation; the
// buttons find the pointer themselves, capture it while held and report a click when the
// primary button is released over the button that was pressed. The behaviour lives in
// image_button_machine.cpp; this is its Win32 side.
//
// Every operation runs on the main thread and takes GuiLock itself, except
// SetImageButtonDisabled, which workers call inside their own hold of GuiLock. Nothing done
// under GuiLock sends a message to another thread's window: the main thread may be the one
// waiting for the lock.
#pragma once

#include <windows.h>

#include <cstdint>

#include "base/app_state.h"

// Holds GuiLock for as long as it lives.
class GuiLockHold : public ScopedCriticalSection {
 public:
  GuiLockHold() : ScopedCriticalSection(&GuiLock) {}
};

// Makes the three frame sequences (normal to hover, hover to pressed, normal to disabled when a
// disabled image is given), each frameCount images long, and the image control at (x, y) in
// the window, showing the normal image. number -1 lets the system choose the control's number.
// Returns the control, or 0 when the window or a needed image is missing or frameCount is
// below 3. Main thread, at start-up.
HWND CreateImageButton(HWND window, int number, int x, int y, HBITMAP normal, int hoverDuration,
                       HBITMAP hover, int pressDuration, HBITMAP pressed, HBITMAP disabled,
                       int disableDuration, int frameCount, HBITMAP mask, COLORREF maskColour,
                       bool autoRepeat);

// Changes the button's disabled flag, animated (the fade plays in the next passes) or at once.
// Only state changes here; after a change without animation the caller shows the image it
// wants. The caller holds GuiLock (start-up calls it before any other thread uses the buttons).
void SetImageButtonDisabled(HWND control, bool disabled, bool animate);

// For every control event the main loop does not handle itself.
void PressImageButton(HWND control, int eventType);

// The three steps of every loop pass, in this order.
void AnimateImageButtons();
void TrackImageButtonPointer();
// The button clicked since the last poll, a control of another kind whose event came to
// PressImageButton, or 0.
HWND PollImageButtonClick();

// Ticks until the animation or poll steps above first have something to do, 0 when they have
// now, -1 when nothing will within horizon ticks.
std::int32_t TicksUntilImageButtonsChange(std::int32_t horizon);

// Forgets every button and frees the blended frames (the end sequence, and tests that build the
// window again).
void ForgetImageButtons();
