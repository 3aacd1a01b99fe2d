// ProfileReader: one read of a profile on its own thread, shown in the window.
#pragma once

#include <windows.h>

#include <string>

// What the main loop hands a new read: the entered text as it is, and the list generation the
// read belongs to (the loop raises ListGeneration when it clears the list for the read).
struct ProfileReadRequest {
  std::string enteredText;
  int generation;
};

// Thread procedure; takes ownership of a heap-allocated ProfileReadRequest.
DWORD WINAPI ProfileReader(void* request);
