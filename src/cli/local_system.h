// What the command line asks of the system it runs on, natively (POSIX) or on Windows: the folder's
// lock, whether an output is a terminal, and Ctrl-C. Paths are UTF-8.
#pragma once

#include <string>

#include "net/file_transport.h"

// Holds the lock file of a folder while a run saves there; released when it goes.
class FolderLock {
 public:
  FolderLock() = default;
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  // False when another run holds it, or the file cannot be made (then CannotWrite says why).
  bool TryLock(const std::string& path);
  // Why the lock file could not be made, in the system's words ("Permission denied"); "" when it
  // was made, or another run holds it.
  const std::string& CannotWrite() const { return cannotWrite_; }

 private:
  long long handle_ = -1;  // a descriptor or a HANDLE's value
  std::string cannotWrite_;
};

// Whether standard output (1) or standard error (2) is a terminal (a console on Windows).
bool IsTerminal(int stream);

// The terminal's width in columns, 80 when it cannot be told.
int TerminalWidth();

// Ctrl-C (and natively SIGTERM and SIGHUP; on Windows the console closed, a log-off or a shut-down)
// from now on asks stop to end the running transfers, keeping their ".part"; a second Ctrl-C ends
// the program at once.
void StopOnInterrupt(TransferStop& stop);
// The exit code of the interruption that asked the stop: 130 for Ctrl-C, 143 for SIGTERM, 129 for
// SIGHUP.
int InterruptExitCode();

// Prepares the console for UTF-8 text (Windows); natively, a closed pipe no longer ends the
// program.
void PrepareConsole();
