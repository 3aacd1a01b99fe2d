// The floor for idle CPU while nothing moves: a window of the program's size with a focused edit
// field (its caret blinks as the address field's does) whose loop only does what the program's
// loop must do every 50 ms while the pointer rests: read the pointer, the window under it and the
// primary button, then rest until 50 ms have passed or input or a message comes. A pointer that
// leaves a window brings it no message under Wine, so the look at the pointer is a poll.
#include <windows.h>
#include <mmsystem.h>

#include "floor_window.h"

// The main loop's watch interval.
constexpr DWORD kWatchPace = 50;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  HWND window = OpenFloorWindow(instance, QuitOnDestroyProc, "WatchFloor", "Trivial watch");
  HWND field = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 10, 10,
                               300, 22, window, nullptr, instance, nullptr);
  ShowWindow(window, show);
  UpdateWindow(window);
  SetFocus(field);
  timeBeginPeriod(1);
  for (;;) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) return 0;
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    POINT pointer;
    if (GetCursorPos(&pointer)) WindowFromPoint(pointer);
    GetAsyncKeyState(VK_LBUTTON);
    MsgWaitForMultipleObjectsEx(0, nullptr, kWatchPace, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
}
