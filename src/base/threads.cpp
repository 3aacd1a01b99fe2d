#include "base/threads.h"

bool StartThread(LPTHREAD_START_ROUTINE procedure, void* parameter) {
  UniqueKernelHandle thread(CreateThread(nullptr, 0, procedure, parameter, 0, nullptr));
  return static_cast<bool>(thread);
}

UniqueKernelHandle StartOwnedThread(LPTHREAD_START_ROUTINE procedure, void* parameter) {
  return UniqueKernelHandle(CreateThread(nullptr, 0, procedure, parameter, 0, nullptr));
}
