// The Flash player in PlayerPanel, hosted through ATL's control host.
#pragma once

#include <windows.h>

#include "host/shockwave_flash.h"

// The control host, "ATL.dll", loaded at run time so that the program starts without it; 0 when
// it could not be loaded. Written by LoadControlHost only.
extern HMODULE AtlLibrary;
// Loads the control host and initialises it and COM on the calling (main) thread, at start-up.
void LoadControlHost();

// The player's IShockwaveFlash interface in PlayerPanel, or none; main thread only.
extern IShockwaveFlash* FlashControl;

// Creates the Flash player in container and keeps its IShockwaveFlash as FlashControl; true when
// that worked. The caller sets FlashReady and the player's background colour, or destroys the
// container on failure.
bool CreateFlashControl(HWND container);

// Tells FlashControl, by property name through its IDispatch, that a movie may not script its
// container (AllowScriptAccess "never") and may use the network only for its own content, with
// no links, pages or windows (AllowNetworking "internal"). False when the player does not take
// both; then no movie may be loaded.
bool ConfineFlashMovies();

// Lets go of FlashControl and of the host that holds it (end sequence).
void ReleaseFlashControl();
