// The command line's system calls on Linux.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>

#include "cli/local_system.h"

namespace {

TransferStop* InterruptStop = nullptr;

// Only lock-free atomics and signal() are touched here: both are safe in a signal handler.
void OnInterrupt(int) {
  if (InterruptStop != nullptr) {
    InterruptStop->keepPart.store(true);
    InterruptStop->requested.store(true);
  }
  signal(SIGINT, SIG_DFL);
}

}  // namespace

FolderLock::~FolderLock() {
  if (handle_ >= 0) close(static_cast<int>(handle_));  // closing releases the lock
}

bool FolderLock::TryLock(const std::string& path) {
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return false;
  }
  handle_ = fd;
  return true;
}

bool WriteFileAtomically(const std::string& path, const std::string& text) {
  const std::string temporary = path + ".new";
  const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  std::size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = write(fd, text.data() + written, text.size() - written);
    if (n <= 0) break;
    written += static_cast<std::size_t>(n);
  }
  const bool ok = written == text.size() && fsync(fd) == 0;
  if (close(fd) != 0 || !ok || std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    return false;
  }
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
  sigaction(SIGINT, &action, nullptr);
}

// A reader that closes the pipe early (| head) must not end a save half-way, before its index is
// written: its lines are then dropped instead.
void PrepareConsole() { signal(SIGPIPE, SIG_IGN); }
