#include "program_fixture.h"

#include <cstdint>

#include "skin/image_button.h"
#include "skin/image_button_machine.h"

namespace {

struct WindowSearch {
  const char* className;
  const char* title;
  HWND found;
};

BOOL CALLBACK FindOwnWindow(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<WindowSearch*>(parameter);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  char className[64] = "";
  GetClassNameA(window, className, sizeof(className));
  if (process == GetCurrentProcessId() && std::string(className) == search->className &&
      (search->title == nullptr || WindowTextOf(window) == search->title) && IsWindowVisible(window)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

HWND WaitForOwnWindow(const char* className, const char* title, DWORD timeoutMs) {
  WindowSearch search = {className, title, nullptr};
  WaitUntil(
      [&search] {
        EnumWindows(FindOwnWindow, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
      },
      timeoutMs, 10);
  return search.found;
}

std::string CloseMessageBoxWhenShown(const char* title, DWORD timeoutMs) {
  HWND box = WaitForOwnWindow("#32770", title, timeoutMs);
  if (box == nullptr) return "(no box)";
  // The message is the box's static control with id 0xFFFF.
  HWND label = GetDlgItem(box, 0xFFFF);
  const std::string text = label != nullptr ? WindowTextOf(label) : std::string();
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  return text;
}

void SendMouseButton(DWORD flag) {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flag;
  SendInput(1, &input, sizeof(input));
}

bool ClickImageButtonWithTheMouse(HWND button) {
  RECT place;
  GetWindowRect(button, &place);
  SetCursorPos((place.left + place.right) / 2, (place.top + place.bottom) / 2);
  const bool hovered = RunLoopUntil(
      [button] {
        GuiLockHold hold;
        const ImageButton* hovered = WindowImageButtons().Set().Tracker().hoveredButton;
        return hovered != nullptr && hovered->control == reinterpret_cast<std::intptr_t>(button);
      },
      3000);
  if (!hovered) return false;
  // A second click soon after the first would be a double click, which presses no button.
  static DWORD lastClick = GetTickCount() - GetDoubleClickTime() - 1;
  const DWORD since = GetTickCount() - lastClick;
  if (since <= GetDoubleClickTime()) RunLoopFor(GetDoubleClickTime() - since + 1);
  SendMouseButton(MOUSEEVENTF_LEFTDOWN);
  SendMouseButton(MOUSEEVENTF_LEFTUP);
  lastClick = GetTickCount();
  return true;
}
