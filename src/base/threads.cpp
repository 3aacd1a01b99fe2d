#include "base/threads.h"

bool StartThread(LPTHREAD_START_ROUTINE procedure, void* parameter) {
  UniqueKernelHandle thread(CreateThread(nullptr, 0, procedure, parameter, 0, nullptr));
  return static_cast<bool>(thread);
}

UniqueKernelHandle StartOwnedThread(LPTHREAD_START_ROUTINE procedure, void* parameter) {
  return UniqueKernelHandle(CreateThread(nullptr, 0, procedure, parameter, 0, nullptr));
}

HANDLE MainLoopWakeEvent() {
  // Made once, on first use, and kept for the life of the process.
  static const HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  return event;
}

void WakeMainLoop() {
  if (HANDLE event = MainLoopWakeEvent()) SetEvent(event);
}
