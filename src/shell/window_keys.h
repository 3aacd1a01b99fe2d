// The window's keyboard. The loop runs without the dialog manager: IsDialogMessage would turn
// Return into WM_COMMAND 1, which is also the popup menus' "Copy URL". So Tab and Shift+Tab, and
// Space and Return on the skinned buttons, are handled here by hand, before the Return shortcut
// sees a key; every other key reaches its control as before.
#pragma once

#include <windows.h>

// What the loop does with a message after RouteWindowKey has looked at it.
struct KeyRoute {
  bool taken = false;           // handled here: neither the shortcut nor a control sees it
  HWND press = nullptr;         // a skinned button its key pressed: the loop clicks it
  bool bypassShortcut = false;  // a key of the song list, Return included, goes to the list
};

// Main thread, for every message the loop takes from the queue.
KeyRoute RouteWindowKey(const MSG& message);

// MainWindow got the focus itself, as Wine gives it back after a dialog: while the keyboard is in
// use, the control that had it, or the next usable one, takes it again.
void RestoreKeyboardFocus();
