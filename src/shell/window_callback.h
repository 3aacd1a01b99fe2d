// MainWindow's window procedure.
#pragma once

#include <windows.h>

// MainWindow's window procedure: statics drawn transparent over the background, buttons on a
// white brush, the links in their colours and with the hand cursor; commands, notifications and
// the close request become loop events; a row button's release over itself becomes the pending
// row click.
LRESULT CALLBACK WindowCallback(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Main thread only. The window under the mouse pointer as the main loop last found it (once per
// outer pass).
extern HWND WindowUnderPointer;
// The row click pending for the main loop (-1: none): a row button released over itself.
extern int ClickedRow;
extern HWND ClickedButton;
// Start-up: no click pending, no window under the pointer.
void ResetRowClick();

