#include "program_fixture.h"

namespace {

struct BoxSearch {
  const char* title;
  HWND found;
};

BOOL CALLBACK FindBox(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<BoxSearch*>(parameter);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  char className[64] = "";
  GetClassNameA(window, className, sizeof(className));
  if (process == GetCurrentProcessId() && std::string(className) == "#32770" &&
      WindowTextOf(window) == search->title && IsWindowVisible(window)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

std::string CloseMessageBoxWhenShown(const char* title, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < timeoutMs) {
    BoxSearch search = {title, nullptr};
    EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) {
      std::string text;
      // The message is the box's static control with id 0xFFFF.
      HWND label = GetDlgItem(search.found, 0xFFFF);
      if (label != nullptr) text = WindowTextOf(label);
      PostMessageA(search.found, WM_COMMAND, IDOK, 0);
      return text;
    }
    Sleep(20);
  }
  return "(no box)";
}
