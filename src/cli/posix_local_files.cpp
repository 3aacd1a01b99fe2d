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

bool Failed(LocalFile::State& state, int code) {
  state.error = ErrorOf(code);
  return false;
}

bool IsPlainSingleFile(int fd) {
  struct stat info {};
  return fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_nlink == 1;
}

// An existing plain file with one name, opened as itself (a link is refused, and a FIFO does not
// block the open); -1 with error set otherwise.
int OpenPlainFile(const std::string& path, int access, LocalFileError& error) {
  const int fd = open(path.c_str(), access | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    error = ErrorOf(errno);
    return -1;
  }
  if (!IsPlainSingleFile(fd)) {
    close(fd);
    error = LocalFileError::kNotPlainFile;
    return -1;
  }
  fcntl(fd, F_SETFL, 0);
  return fd;
}

}  // namespace

bool LocalFile::State::Drain() {
  std::size_t done = 0;
  while (done < buffer.size()) {
    const ssize_t n = write(static_cast<int>(file), buffer.data() + done, buffer.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      buffer.erase(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(done));
      size += done;
      error = ErrorOf(n == 0 ? ENOSPC : errno);
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  size += done;
  buffer.clear();
  return true;
}

bool LocalFile::State::CloseFile() {
  if (close(static_cast<int>(file)) == 0) return true;
  error = ErrorOf(errno);
  return false;
}

bool LocalFile::Create(const std::string& path) {
  Close();
  state_->error = LocalFileError::kNone;
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) return Failed(*state_, errno);
  state_->file = fd;
  state_->size = 0;
  return true;
}

bool LocalFile::OpenExisting(const std::string& path) {
  Close();
  state_->error = LocalFileError::kNone;
  const int fd = OpenPlainFile(path, O_WRONLY, state_->error);
  if (fd < 0) return false;
  const off_t end = lseek(fd, 0, SEEK_END);
  if (end < 0) {
    const int error = errno;
    close(fd);
    return Failed(*state_, error);
  }
  state_->file = fd;
  state_->size = static_cast<std::uint64_t>(end);
  return true;
}

bool LocalFile::Truncate(std::uint64_t size) {
  if (!IsOpen() || !state_->Drain()) return false;
  const int fd = static_cast<int>(state_->file);
  if (ftruncate(fd, static_cast<off_t>(size)) != 0 || lseek(fd, static_cast<off_t>(size), SEEK_SET) < 0) {
    return Failed(*state_, errno);
  }
  state_->size = size;
  return true;
}

bool LocalFile::Sync() {
  if (!Flush()) return false;
  return fsync(static_cast<int>(state_->file)) == 0 || Failed(*state_, errno);
}

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

bool MakeLocalFolder(const std::string& path) {
  mkdir(path.c_str(), 0755);
  struct stat info {};
  return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

RandomAccessFile::~RandomAccessFile() { Close(); }

bool RandomAccessFile::CreateNew(const std::string& path) {
  Close();
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) {
    error_ = ErrorOf(errno);
    return false;
  }
  file_ = fd;
  return true;
}

bool RandomAccessFile::OpenToRead(const std::string& path) {
  Close();
  const int fd = OpenPlainFile(path, O_RDONLY, error_);
  if (fd < 0) return false;
  file_ = fd;
  return true;
}

std::size_t RandomAccessFile::ReadAt(std::uint64_t at, char* data, std::size_t size) {
  for (;;) {
    const ssize_t n = pread(static_cast<int>(file_), data, size, static_cast<off_t>(at));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) error_ = ErrorOf(errno);
    return n > 0 ? static_cast<std::size_t>(n) : 0;
  }
}

bool RandomAccessFile::WriteAt(std::uint64_t at, const char* data, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = pwrite(static_cast<int>(file_), data + done, size - done, static_cast<off_t>(at + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error_ = ErrorOf(n == 0 ? ENOSPC : errno);
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

std::uint64_t RandomAccessFile::Size() const {
  struct stat info {};
  return fstat(static_cast<int>(file_), &info) == 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
}

bool RandomAccessFile::Truncate(std::uint64_t size) {
  if (ftruncate(static_cast<int>(file_), static_cast<off_t>(size)) == 0) return true;
  error_ = ErrorOf(errno);
  return false;
}

bool RandomAccessFile::Sync() {
  if (fsync(static_cast<int>(file_)) == 0) return true;
  error_ = ErrorOf(errno);
  return false;
}

bool RandomAccessFile::Close() {
  if (!IsOpen()) return true;
  const bool closed = close(static_cast<int>(file_)) == 0;
  file_ = kNone;
  return closed;
}
