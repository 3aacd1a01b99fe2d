// MainWindow's window procedure.
#pragma once

#include <windows.h>

// MainWindow's window procedure: statics drawn transparent over the background, buttons on a
// white brush, the links in their colours and with the hand cursor; commands, notifications and
// the close request become loop events.
LRESULT CALLBACK WindowCallback(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

