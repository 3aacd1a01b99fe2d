// What every layer shares of the process: the program's module, for every window any layer makes,
// and the one lock. Everything else has its owner in the layer that writes it (the README's layer
// table lists them).
#pragma once

#include <windows.h>

// The program's module; the same for the whole run.
extern const HINSTANCE ModuleInstance;
// The one lock: it guards the image buttons (see skin/image_button.h). Made once by start-up.
extern CRITICAL_SECTION GuiLock;
