// A trivial Win32 program: one framed window, shown at once, and a message loop. The launch
// benchmark measures the program against it. Built with LOAD_PROGRAM_LIBRARIES it also loads,
// as the program does before its window, the system libraries the program imports (common
// controls and dialogs, COM and OLE automation, the shell, URL monikers, WinINet, multimedia
// timers) and does nothing else with them.
#include <windows.h>

#include "floor_window.h"

#ifdef LOAD_PROGRAM_LIBRARIES
#include <commctrl.h>
#include <commdlg.h>
#include <mmsystem.h>
#include <objbase.h>
#include <oleauto.h>
#include <shellapi.h>
#include <urlmon.h>
#include <wininet.h>
#endif

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
#ifdef LOAD_PROGRAM_LIBRARIES
  // Never true: the calls only make the loader bring the libraries in.
  if (show == -12345) {
    InitCommonControls();
    GetOpenFileNameA(nullptr);
    CoInitialize(nullptr);
    SysFreeString(nullptr);
    ShellExecuteA(nullptr, nullptr, nullptr, nullptr, nullptr, 0);
    URLDownloadToFileA(nullptr, nullptr, nullptr, 0, nullptr);
    InternetCloseHandle(nullptr);
    timeBeginPeriod(1);
  }
#endif
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = QuitOnDestroyProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = "TrivialWindow";
  RegisterClassA(&windowClass);
  HWND window = CreateWindowExA(0, "TrivialWindow", "Trivial", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, 406, 300, nullptr, nullptr, instance, nullptr);
  ShowWindow(window, show);
  UpdateWindow(window);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}
