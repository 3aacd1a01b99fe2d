// The command line's system calls on Windows: wide file functions, the console's own calls.
#include <windows.h>

#include <io.h>

#include "base/win_handles.h"
#include "cli/local_system.h"
#include "cli/windows_text.h"

namespace {

std::atomic<TransferStop*> InterruptStop{nullptr};
// Ctrl-C's code, as a POSIX shell gives a program SIGINT ended.
constexpr int kInterruptedExit = 130;
// How long the handler holds the system's end of the process back after the console closed, a
// log-off or a shut-down: the system allows about five seconds, and the running songs need a
// moment to keep their ".part" and the record.
constexpr DWORD kCloseGraceMs = 4000;
std::atomic<bool> RunEnded{false};

// Runs on a thread of its own that the system starts for the console's events.
BOOL WINAPI OnControl(DWORD event) {
  const bool closing = event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT;
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && !closing) return FALSE;
  TransferStop* stop = InterruptStop.exchange(nullptr);
  if (stop == nullptr) return FALSE;  // the second Ctrl-C: the system ends the program
  stop->keepPart.store(true);
  stop->requested.store(true);
  // On a close the process ends when this returns: the run gets its moment to end as Ctrl-C ends it.
  for (DWORD waited = 0; closing && waited < kCloseGraceMs && !RunEnded.load(); waited += 50) Sleep(50);
  return TRUE;
}

}  // namespace

FolderLock::~FolderLock() {
  if (handle_ != -1) CloseHandle(reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(handle_)));
}

bool FolderLock::TryLock(const std::string& path) {
  // Opened without sharing: a second run cannot open it while this one holds it.
  // Made new where it can be; an existing one is only opened, so a dangling link in its place
  // (which Wine would follow) makes nothing outside the folder.
  const std::wstring wide = WideFromUtf8(path);
  HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS) {
    file = CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    // Held by another run shows as a sharing violation; anything else is a folder not writable.
    if (error != ERROR_SHARING_VIOLATION) {
      cannotWrite_ = error == ERROR_ACCESS_DENIED ? "access is denied"
                     : error == ERROR_WRITE_PROTECT ? "the medium is write-protected"
                                                  : "Windows error " + std::to_string(error);
    }
    return false;
  }
  handle_ = static_cast<long long>(reinterpret_cast<std::intptr_t>(file));
  return true;
}

bool IsTerminal(int stream) {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(stream == 1 ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE), &mode) != 0;
}

int TerminalWidth() {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info)) {
    return info.srWindow.Right - info.srWindow.Left + 1;
  }
  return 80;
}

void StopOnInterrupt(TransferStop& stop) {
  InterruptStop.store(&stop);
  SetConsoleCtrlHandler(OnControl, TRUE);
}

int InterruptExitCode() {
  RunEnded.store(true);
  return kInterruptedExit;
}

void PrepareConsole() {
  SetConsoleOutputCP(CP_UTF8);
}
