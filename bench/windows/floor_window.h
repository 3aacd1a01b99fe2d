// The bench's floor programs stand in a white framed window of the program's size and style, so
// what they cost is compared with the program's own window.
#pragma once

#include <windows.h>

// A window procedure that ends the message loop when the window goes.
inline LRESULT CALLBACK QuitOnDestroyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// Registers className with procedure and opens a window titled title with the program's client
// size (400 x 185) and frame.
inline HWND OpenFloorWindow(HINSTANCE instance, WNDPROC procedure, const char* className, const char* title) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  windowClass.lpszClassName = className;
  RegisterClassA(&windowClass);
  RECT frame = {0, 0, 400, 185};
  const DWORD style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  AdjustWindowRectEx(&frame, style, FALSE, 0);
  return CreateWindowExA(0, className, title, style, CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                         frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);
}
