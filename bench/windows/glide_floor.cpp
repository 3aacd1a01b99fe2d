// The floor for idle CPU while the home link glides: a window of the program's size whose only
// work is a link of the same size, font and colours that moves one pixel whenever more than 10 ms
// have passed, between the same bounds, and has the window's canvas under its old and new place
// painted at once. It rests between steps until the next one is due or a message comes.
#include <windows.h>
#include <mmsystem.h>

#include "floor_window.h"

namespace {

HBRUSH Hollow;

LRESULT CALLBACK FloorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CTLCOLORSTATIC:
      SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
      SetTextColor(reinterpret_cast<HDC>(wParam), RGB(0, 0, 255));
      return reinterpret_cast<LRESULT>(Hollow);
    default:
      return QuitOnDestroyProc(window, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  Hollow = static_cast<HBRUSH>(GetStockObject(HOLLOW_BRUSH));
  HWND window = OpenFloorWindow(instance, FloorProc, "GlideFloor", "Trivial glide");
  HDC screen = GetDC(nullptr);
  const int height = -MulDiv(9, GetDeviceCaps(screen, LOGPIXELSY), 72);
  ReleaseDC(nullptr, screen);
  HFONT font = CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, PROOF_QUALITY, DEFAULT_PITCH, "Comic Sans MS");
  HWND link = CreateWindowExA(0, "STATIC", "www.vmd-author.test", WS_CHILD | WS_VISIBLE | SS_NOTIFY | SS_LEFTNOWORDWRAP,
                              97, 165, 92, 20, window, nullptr, instance, nullptr);
  SendMessageA(link, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  ShowWindow(window, show);
  UpdateWindow(window);
  timeBeginPeriod(1);
  int x = 97;
  bool right = true;
  DWORD last = GetTickCount();
  for (;;) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) return 0;
      DispatchMessageA(&message);
    }
    const DWORD now = GetTickCount();
    if (now - last > 10) {
      last = now;
      const int old = x;
      x += right ? 1 : -1;
      if (right && x + 92 > 400) right = false;
      if (!right && x < 100) right = true;
      SetWindowPos(link, nullptr, x, 165, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      RECT trail = {old < x ? old : x, 165, (old > x ? old : x) + 92, 185};
      RedrawWindow(window, &trail, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }
    const DWORD elapsed = GetTickCount() - last;
    MsgWaitForMultipleObjectsEx(0, nullptr, elapsed > 10 ? 1 : 11 - elapsed, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
}
