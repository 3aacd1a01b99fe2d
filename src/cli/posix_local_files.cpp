// The user's folder's files on Linux: every open says O_NOFOLLOW, a new file O_EXCL, and an
// existing one must be a plain file with one name (a hard link would write elsewhere too).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "cli/local_files.h"

namespace {

// Songs arrive in large pieces; writing them in large pieces saves system calls.
constexpr std::size_t kFileBufferBytes = 128 * 1024;

LocalFileError ErrorOf(int error) {
  switch (error) {
    case ELOOP: return LocalFileError::kNotPlainFile;
    case EEXIST: return LocalFileError::kExists;
    case ENOENT: return LocalFileError::kMissing;
    case ENOSPC:
    case EDQUOT: return LocalFileError::kDiskFull;
    default: return LocalFileError::kOther;
  }
}

bool IsPlainSingleFile(int fd) {
  struct stat info {};
  return fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_nlink == 1;
}

}  // namespace

struct LocalFile::State {
  int fd = -1;
  std::uint64_t size = 0;  // what the file holds, without the buffer
  std::vector<char> buffer;
  LocalFileError error = LocalFileError::kNone;

  bool Fail(int code) {
    error = ErrorOf(code);
    return false;
  }
  bool Drain() {
    std::size_t done = 0;
    while (done < buffer.size()) {
      const ssize_t n = write(fd, buffer.data() + done, buffer.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        buffer.erase(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(done));
        size += done;
        return Fail(n == 0 ? ENOSPC : errno);
      }
      done += static_cast<std::size_t>(n);
    }
    size += done;
    buffer.clear();
    return true;
  }
};

LocalFile::LocalFile() : state_(new State) {}

LocalFile::~LocalFile() { Close(); }

bool LocalFile::Create(const std::string& path) {
  Close();
  state_->error = LocalFileError::kNone;
  state_->fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (state_->fd < 0) return state_->Fail(errno);
  state_->size = 0;
  return true;
}

bool LocalFile::OpenExisting(const std::string& path) {
  Close();
  state_->error = LocalFileError::kNone;
  const int fd = open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return state_->Fail(errno);
  if (!IsPlainSingleFile(fd)) {
    close(fd);
    state_->error = LocalFileError::kNotPlainFile;
    return false;
  }
  fcntl(fd, F_SETFL, 0);
  const off_t end = lseek(fd, 0, SEEK_END);
  if (end < 0) {
    const int error = errno;
    close(fd);
    return state_->Fail(error);
  }
  state_->fd = fd;
  state_->size = static_cast<std::uint64_t>(end);
  return true;
}

bool LocalFile::OpenToWrite(const std::string& path, std::uint64_t keep) {
  if (Create(path)) return true;
  if (state_->error != LocalFileError::kExists) return false;
  return OpenExisting(path) && Truncate(std::min(keep, state_->size));
}

bool LocalFile::IsOpen() const { return state_->fd >= 0; }

bool LocalFile::Truncate(std::uint64_t size) {
  if (!IsOpen() || !state_->Drain()) return false;
  if (ftruncate(state_->fd, static_cast<off_t>(size)) != 0 || lseek(state_->fd, static_cast<off_t>(size), SEEK_SET) < 0) {
    return state_->Fail(errno);
  }
  state_->size = size;
  return true;
}

bool LocalFile::Write(const char* data, std::size_t size) {
  if (!IsOpen()) return false;
  if (state_->buffer.capacity() < kFileBufferBytes) state_->buffer.reserve(kFileBufferBytes);
  if (state_->buffer.size() + size > kFileBufferBytes && !state_->Drain()) return false;
  if (size >= kFileBufferBytes) {
    state_->buffer.assign(data, data + size);
    return state_->Drain();
  }
  state_->buffer.insert(state_->buffer.end(), data, data + size);
  return true;
}

bool LocalFile::Flush() { return IsOpen() && state_->Drain(); }

bool LocalFile::Sync() {
  if (!Flush()) return false;
  return fsync(state_->fd) == 0 || state_->Fail(errno);
}

bool LocalFile::Close() {
  if (!IsOpen()) return true;
  const bool drained = state_->Drain();
  const bool closed = close(state_->fd) == 0;
  if (!closed && drained) state_->Fail(errno);
  state_->fd = -1;
  state_->buffer.clear();
  return drained && closed;
}

std::uint64_t LocalFile::Size() const { return state_->size + state_->buffer.size(); }

LocalFileError LocalFile::error() const { return state_->error; }

long long PlainFileSize(const std::string& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
  return static_cast<long long>(info.st_size);
}

bool PathTaken(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0;
}

bool IsNotPlainFile(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0 && (!S_ISREG(info.st_mode) || info.st_nlink != 1);
}

bool RenameLocalFile(const std::string& from, const std::string& to) { return std::rename(from.c_str(), to.c_str()) == 0; }

bool RemoveLocalFile(const std::string& path) { return unlink(path.c_str()) == 0; }

void SyncFolder(const std::string& folder) {
  const int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}
