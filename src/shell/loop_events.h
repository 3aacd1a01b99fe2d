// The main loop's events. The window procedures turn the Win32 messages they receive into these
// (in one place, TranslateToLoopEvent), and the loop dispatches them by its table.
#pragma once

#include <windows.h>

#include "base/program_constants.h"

enum class LoopEventKind { kClose, kPointerMoved, kControl, kMenu };


struct LoopEvent {
  LoopEventKind kind;
  HWND control;  // kControl
  int type;      // kControl: a ControlEventType
  int item;      // kMenu: the item number (0, 1, 2, or 10 for Return)
};

// Records the loop event a message to MainWindow stands for, if any; returns true when the
// message was turned into an event (and needs no default handling).
bool TranslateToLoopEvent(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Hands out the events recorded since the last call, oldest first; false when there is none.
bool TakeLoopEvent(LoopEvent* event);
void RecordLoopEvent(const LoopEvent& event);
void ForgetLoopEvents();
