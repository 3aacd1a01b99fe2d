// The program's process-wide state: handles made at start-up, the controls, and the values that
// worker threads publish for the main loop. Flags and counters shared between threads are
// atomics; texts shared between threads are SharedText, always replaced whole. A writer publishes
// its texts before it changes the flag or counter that the reader polls.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "base/program_constants.h"
#include "base/shared_text.h"
#include "base/win_handles.h"

// One record per RowDownloadButton: the button's previous window procedure, its row and the
// button itself.
struct RowButtonRecord {
  WNDPROC previousProc;
  int row;
  HWND button;
};

// The program's module, for every window any layer makes.
extern HINSTANCE ModuleInstance;
// The one lock: it guards the image buttons (see skin/image_button.h). Made once by start-up.
extern CRITICAL_SECTION GuiLock;

// Shared between the main loop and the workers.
extern std::atomic<int> ListGeneration;

// Main thread only.
extern std::vector<RowButtonRecord*> RowButtonList;
extern int ClickedRow;
extern HWND ClickedButton;

// The window under the mouse pointer as the main loop last found it (once per outer pass).
extern HWND WindowUnderPointer;

// Puts every global back to its start value (step one of start-up).
void ClearGlobalState();
