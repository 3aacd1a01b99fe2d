// The procedures the window system calls: MainWindow's callback and the row buttons' subclass.
#pragma once

#include <windows.h>

// MainWindow's window procedure: statics drawn transparent over the background, buttons on a
// white brush, the links in their colours and with the hand cursor; commands, notifications and
// the close request become loop events.
LRESULT CALLBACK WindowCallback(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Subclass procedure of every RowDownloadButton: notes a left-button release over the button in
// ClickedRow and ClickedButton for the main loop.
LRESULT CALLBACK RowButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The window under the pointer as the main loop last found it.
extern HWND WindowUnderPointer;
