// The command line's system calls on Linux.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/local_system.h"

namespace {

TransferStop* InterruptStop = nullptr;
// The shell's code for a program a signal ended: 128 + the signal's number.
constexpr int kSignalExitBase = 128;
volatile sig_atomic_t InterruptSignal = SIGINT;

// Only lock-free atomics and signal() are touched here: both are safe in a signal handler.
void OnInterrupt(int number) {
  InterruptSignal = number;
  if (InterruptStop != nullptr) {
    InterruptStop->keepPart.store(true);
    InterruptStop->requested.store(true);
  }
  signal(number, SIG_DFL);
}

}  // namespace

FolderLock::~FolderLock() {
  if (handle_ >= 0) close(static_cast<int>(handle_));  // closing releases the lock
}

bool FolderLock::TryLock(const std::string& path) {
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) {
    cannotWrite_ = std::strerror(errno);
    return false;
  }
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return false;
  }
  handle_ = fd;
  return true;
}

bool IsTerminal(int stream) { return isatty(stream) != 0; }

int TerminalWidth() {
  winsize size{};
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return 80;
}

void StopOnInterrupt(TransferStop& stop) {
  InterruptStop = &stop;
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  for (const int number : {SIGINT, SIGTERM, SIGHUP}) sigaction(number, &action, nullptr);
}

int InterruptExitCode() { return kSignalExitBase + InterruptSignal; }

// A reader that closes the pipe early (| head) must not end a save half-way, before its index is
// written: its lines are then dropped instead.
void PrepareConsole() { signal(SIGPIPE, SIG_IGN); }
