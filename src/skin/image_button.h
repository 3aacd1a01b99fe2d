// GoButton and SaveButton: image controls whose picture the program sets itself.
//
// This is the plain form: each look (normal, hover, pressed, disabled) is shown at once, without
// the cross-fade frames; a left click on an enabled button is reported by PollImageButtonClick.
// The animated form keeps these entry points.
#pragma once

#include <windows.h>

HWND CreateImageButton(HWND window, int number, int x, int y, HBITMAP normal, int hoverDuration,
                       HBITMAP hover, int pressDuration, HBITMAP pressed, HBITMAP disabled,
                       int disableDuration, int frameCount, HBITMAP mask, COLORREF maskColour,
                       bool autoRepeat);

// The caller holds GuiLock (start-up calls it before any other thread uses the buttons).
void SetImageButtonDisabled(HWND control, bool disabled, bool animate);

// For every control event the main loop does not handle itself.
void PressImageButton(HWND control, int eventType);

void AnimateImageButtons();
void TrackImageButtonPointer();
// The button clicked since the last poll, or 0.
HWND PollImageButtonClick();

// Forgets every button (the end sequence, and tests that build the window again).
void ForgetImageButtons();
