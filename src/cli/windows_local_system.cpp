// The command line's system calls on Windows: wide file functions, the console's own calls.
#include <windows.h>

#include <io.h>

#include "base/win_handles.h"
#include "cli/local_system.h"
#include "cli/windows_text.h"

namespace {

std::atomic<TransferStop*> InterruptStop{nullptr};

// Runs on a thread of its own that the system starts for Ctrl-C.
BOOL WINAPI OnControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  TransferStop* stop = InterruptStop.exchange(nullptr);
  if (stop == nullptr) return FALSE;  // the second Ctrl-C: the system ends the program
  stop->keepPart.store(true);
  stop->requested.store(true);
  return TRUE;
}

}  // namespace

FolderLock::~FolderLock() {
  if (handle_ != -1) CloseHandle(reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(handle_)));
}

bool FolderLock::TryLock(const std::string& path) {
  // Opened without sharing: a second run cannot open it while this one holds it.
  const HANDLE file = CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  handle_ = static_cast<long long>(reinterpret_cast<std::intptr_t>(file));
  return true;
}

bool WriteFileAtomically(const std::string& path, const std::string& text) {
  const std::wstring temporary = WideFromUtf8(path + ".new");
  bool ok = false;
  {
    const UniqueKernelHandle file(
        CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    ok = WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
         written == text.size() && FlushFileBuffers(file.get());
  }
  ok = ok && MoveFileExW(temporary.c_str(), WideFromUtf8(path).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!ok) DeleteFileW(temporary.c_str());
  return ok;
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

void PrepareConsole() {
  SetConsoleOutputCP(CP_UTF8);
}
