#include "skin/pointer_helpers.h"

#include "shell/app_state.h"
#include "skin/image_button.h"

bool IsMouseButtonDown() {
  const int primary = GetSystemMetrics(SM_SWAPBUTTON) ? VK_RBUTTON : VK_LBUTTON;
  return (GetAsyncKeyState(primary) & 0x8000) != 0;
}

DWORD WINAPI ImageButtonEnabler(void* button) {
  HWND control = static_cast<HWND>(button);
  EnterCriticalSection(&GuiLock);
  SetImageButtonDisabled(control, false, true);
  LeaveCriticalSection(&GuiLock);
  EnableWindow(control, TRUE);
  return 0;
}

DWORD WINAPI ImageButtonDisabler(void* button) {
  HWND control = static_cast<HWND>(button);
  EnableWindow(control, FALSE);
  EnterCriticalSection(&GuiLock);
  SetImageButtonDisabled(control, true, true);
  LeaveCriticalSection(&GuiLock);
  return 0;
}
