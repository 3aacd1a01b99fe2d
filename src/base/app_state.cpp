#include "base/app_state.h"

HINSTANCE ModuleInstance;
CRITICAL_SECTION GuiLock;

std::atomic<int> ListGeneration;

std::vector<RowButtonRecord*> RowButtonList;
int ClickedRow = -1;
HWND ClickedButton;
HWND WindowUnderPointer;

void ClearGlobalState() {
  ModuleInstance = GetModuleHandleA(nullptr);
  ListGeneration = 0;
  RowButtonList.clear();
  ClickedRow = -1;
  ClickedButton = nullptr;
}
