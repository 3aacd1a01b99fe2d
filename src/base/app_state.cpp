#include "base/app_state.h"

const HINSTANCE ModuleInstance = GetModuleHandleA(nullptr);
CRITICAL_SECTION GuiLock;
