#include "skin/pointer_helpers.h"

#include "base/app_state.h"
#include "skin/image_button.h"

bool IsMouseButtonDown() {
  const int primary = GetSystemMetrics(SM_SWAPBUTTON) ? VK_RBUTTON : VK_LBUTTON;
  return (GetAsyncKeyState(primary) & 0x8000) != 0;
}

void SetImageButtonEnabled(HWND button, bool enabled) {
  // A disabled button stops taking clicks before its look changes; an enabled one takes them
  // only once it looks enabled.
  if (!enabled) EnableWindow(button, FALSE);
  EnterCriticalSection(&GuiLock);
  SetImageButtonDisabled(button, !enabled, true);
  LeaveCriticalSection(&GuiLock);
  if (enabled) EnableWindow(button, TRUE);
}

DWORD WINAPI ImageButtonEnabler(void* button) {
  SetImageButtonEnabled(static_cast<HWND>(button), true);
  return 0;
}

DWORD WINAPI ImageButtonDisabler(void* button) {
  SetImageButtonEnabled(static_cast<HWND>(button), false);
  return 0;
}
