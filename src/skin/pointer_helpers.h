// Small helpers around the skinned controls: the physical mouse buttons, the pointer over a
// window, the mouse hook that keeps the right button away from the ticker's browser, and the
// switching of an image button between enabled and disabled from other threads.
#pragma once

#include <windows.h>

#include "base/app_state.h"
#include "base/win_handles.h"

class ImageButtonSet;

// Holds GuiLock for as long as it lives.
class GuiLockHold : public ScopedCriticalSection {
 public:
  GuiLockHold() : ScopedCriticalSection(&GuiLock) {}
};

// 1 when the mouse button is down now or went down since the last query, else 0. which: 1 the
// primary button, 2 the secondary one (swapped buttons taken into account); any other value
// gives 0 without asking.
int IsMouseButtonDown(int which);

// 1 when the window under the pointer is this window or a window inside it, else 0.
int IsPointerOverWindow(HWND window);

// One reading of the pointer: its place and, once asked for, the window under it. Main thread.
// The image buttons' pass reads the pointer through these; the main loop's own look at the
// pointer, which follows that pass at once when the pass handled no message and nothing else
// happened in between, takes the same reading instead of asking the window system again.
struct PointerReading {
  POINT at;
  HWND under;
};
// A new reading at this place; the window under it is not known yet.
void KeepPointerPlace(POINT at);
// The window under the kept reading's place, when the reading is still at that place.
void KeepWindowUnderPointer(POINT at, HWND under);
// The kept reading when its window is known; every call forgets it.
bool TakeKeptPointerReading(PointerReading* reading);
void ForgetPointerReading();

// Thread mouse hook: swallows a right-button press over the ticker's browser (or any window
// inside it) and lets every other mouse message through.
LRESULT CALLBACK TickerMouseHook(int code, WPARAM message, LPARAM data);
// Installs it for the thread that owns the ticker's strip, for its browser (start-up); removed by
// the end sequence.
void InstallTickerMouseHook(HWND strip, HWND browser);
void RemoveTickerMouseHook();

// Enabling and disabling an image button from worker threads. Every change takes a number when
// it is asked for, and a change is carried out (the control's enabled state, then the button's
// disabled flag in its set under GuiLock, animated) only while no newer change of that button
// has been asked for. So whatever order the threads run in, the button ends in the state of the
// last change asked for.
//
// Starts a thread that enables or disables the button of that set (the main loop, when the row
// count of the list changes). Main thread; the set outlives the thread (the end sequence waits
// for these threads before it lets the set go).
void StartImageButtonEnabler(ImageButtonSet& buttons, HWND button, bool enable);
// Enables or disables the button from the calling worker thread (the profile reader); never
// from the main thread, which serves the control's messages meanwhile. The button's set is the
// one its control was tied to; a button whose window is gone changes nothing.
void SetImageButtonEnabled(HWND button, bool enabled);
// Ties a button's control to its set, for SetImageButtonEnabled (at creation; 0 unties it).
// Under GuiLock, as are the look-ups.
void TieButtonToSet(HWND button, ImageButtonSet* buttons);
// The thread procedures StartImageButtonEnabler starts; their parameter is the change it made,
// which names the set.
DWORD WINAPI ImageButtonEnabler(void* change);
DWORD WINAPI ImageButtonDisabler(void* change);
// How many of the threads StartImageButtonEnabler started are still running.
int ImageButtonThreadsRunning();
// Forgets the changes asked for (the end sequence, once no such thread runs: a later window's
// buttons may have the same handles).
void ForgetImageButtonChanges();
// Waits, serving sent messages, until no such thread runs any more (the end sequence, before
// the buttons' set goes).
void WaitForImageButtonThreads();
