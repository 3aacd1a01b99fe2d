// Starting the program's threads. No thread of the program is ever stopped from outside or
// joined, except the spinner's, which the end sequence stops and waits for.
#pragma once

#include <windows.h>

#include "base/win_handles.h"

// Starts a thread running procedure(parameter); the handle is closed at once. Returns false when
// the thread could not be made.
bool StartThread(LPTHREAD_START_ROUTINE procedure, void* parameter);

// The same, keeping the thread's handle for a thread that is stopped and waited for.
UniqueKernelHandle StartOwnedThread(LPTHREAD_START_ROUTINE procedure, void* parameter);

// The main loop rests until input, a message from a worker or its next timer. A worker that
// changes something the loop only polls, without a message, wakes it with WakeMainLoop.
HANDLE MainLoopWakeEvent();
void WakeMainLoop();
