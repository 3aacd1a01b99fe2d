// Hosting of the Flash player through ATL's control host.
#pragma once

#include <windows.h>

// Creates the Flash player in container; true when FlashControl was obtained.
bool CreateFlashControl(HWND container);
