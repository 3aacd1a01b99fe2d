// A tooltip for one control: made on the window's thread, its text changed from any thread.
#pragma once

#include <windows.h>

#include <string>

// A tooltip over control, whose tool is registered with owner; 0 when control is 0.
HWND MakeTooltip(HWND owner, HWND control);

void SetTooltipText(HWND tooltip, HWND owner, HWND control, const std::string& text);
