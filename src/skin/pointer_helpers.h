// Small helpers around the pointer and the Save Songs button's enabled state.
#pragma once

#include <windows.h>

// Whether the primary mouse button is down now (swapped buttons taken into account).
bool IsMouseButtonDown();

// Enables or disables an image button, the control and its look together (animated); takes
// GuiLock for the look. Callable from any thread.
void SetImageButtonEnabled(HWND button, bool enabled);

// Thread procedures started by the main loop when the row count changes; parameter: the button.
DWORD WINAPI ImageButtonEnabler(void* button);
DWORD WINAPI ImageButtonDisabler(void* button);
