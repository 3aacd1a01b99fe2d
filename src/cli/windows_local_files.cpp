// The user's folder's files on Windows: a new file is made with CREATE_NEW, which a link of that
// name (dangling or not) refuses; an existing one is opened as itself, never as what a link points
// at, and must be a plain file with one name.
#include <windows.h>

#include <algorithm>
#include <vector>

#include "cli/local_files.h"
#include "cli/windows_text.h"

namespace {

// Songs arrive in large pieces; writing them in large pieces saves system calls.
constexpr std::size_t kFileBufferBytes = 128 * 1024;
// The largest piece one WriteFile call is handed.
constexpr std::size_t kLargestWrite = 1u << 30;

LocalFileError ErrorOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return LocalFileError::kExists;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return LocalFileError::kMissing;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return LocalFileError::kDiskFull;
    case ERROR_CANT_ACCESS_FILE:
    case ERROR_DIRECTORY: return LocalFileError::kNotPlainFile;
    default: return LocalFileError::kOther;
  }
}

bool IsPlainAttributes(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) == 0;
}

bool IsPlainSingleFile(HANDLE file) {
  BY_HANDLE_FILE_INFORMATION info;
  return GetFileInformationByHandle(file, &info) && IsPlainAttributes(info.dwFileAttributes) &&
         info.nNumberOfLinks == 1 && GetFileType(file) == FILE_TYPE_DISK;
}

HANDLE OpenFile(const std::string& path, DWORD disposition) {
  // FILE_FLAG_OPEN_REPARSE_POINT: a link is opened as the link, which the check then refuses.
  return CreateFileW(WideFromUtf8(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, disposition,
                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

}  // namespace

struct LocalFile::State {
  HANDLE file = INVALID_HANDLE_VALUE;
  std::uint64_t size = 0;  // what the file holds, without the buffer
  std::vector<char> buffer;
  LocalFileError error = LocalFileError::kNone;

  bool Fail(DWORD code) {
    error = ErrorOf(code);
    return false;
  }
  bool Drain() {
    std::size_t done = 0;
    while (done < buffer.size()) {
      DWORD wrote = 0;
      const DWORD piece = static_cast<DWORD>(std::min(buffer.size() - done, kLargestWrite));
      if (!WriteFile(file, buffer.data() + done, piece, &wrote, nullptr) || wrote == 0) {
        const DWORD code = GetLastError();
        buffer.erase(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(done));
        size += done;
        return Fail(wrote == 0 && code == ERROR_SUCCESS ? ERROR_DISK_FULL : code);
      }
      done += wrote;
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
  state_->file = OpenFile(path, CREATE_NEW);
  if (state_->file == INVALID_HANDLE_VALUE) return state_->Fail(GetLastError());
  state_->size = 0;
  return true;
}

bool LocalFile::OpenExisting(const std::string& path) {
  Close();
  state_->error = LocalFileError::kNone;
  const HANDLE file = OpenFile(path, OPEN_EXISTING);
  if (file == INVALID_HANDLE_VALUE) return state_->Fail(GetLastError());
  LARGE_INTEGER end;
  if (!IsPlainSingleFile(file) || !SetFilePointerEx(file, LARGE_INTEGER{}, &end, FILE_END)) {
    CloseHandle(file);
    state_->error = LocalFileError::kNotPlainFile;
    return false;
  }
  state_->file = file;
  state_->size = static_cast<std::uint64_t>(end.QuadPart);
  return true;
}

bool LocalFile::OpenToWrite(const std::string& path, std::uint64_t keep) {
  if (Create(path)) return true;
  if (state_->error != LocalFileError::kExists) return false;
  return OpenExisting(path) && Truncate(std::min(keep, state_->size));
}

bool LocalFile::IsOpen() const { return state_->file != INVALID_HANDLE_VALUE; }

bool LocalFile::Truncate(std::uint64_t size) {
  if (!IsOpen() || !state_->Drain()) return false;
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(size);
  if (!SetFilePointerEx(state_->file, at, nullptr, FILE_BEGIN) || !SetEndOfFile(state_->file)) {
    return state_->Fail(GetLastError());
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
  return FlushFileBuffers(state_->file) || state_->Fail(GetLastError());
}

bool LocalFile::Close() {
  if (!IsOpen()) return true;
  const bool drained = state_->Drain();
  const bool closed = CloseHandle(state_->file) != FALSE;
  state_->file = INVALID_HANDLE_VALUE;
  state_->buffer.clear();
  return drained && closed;
}

std::uint64_t LocalFile::Size() const { return state_->size + state_->buffer.size(); }

LocalFileError LocalFile::error() const { return state_->error; }

long long PlainFileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(WideFromUtf8(path).c_str(), GetFileExInfoStandard, &data) ||
      !IsPlainAttributes(data.dwFileAttributes)) {
    return -1;
  }
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool PathTaken(const std::string& path) {
  return GetFileAttributesW(WideFromUtf8(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsNotPlainFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(WideFromUtf8(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !IsPlainAttributes(attributes);
}

bool RenameLocalFile(const std::string& from, const std::string& to) {
  return MoveFileExW(WideFromUtf8(from).c_str(), WideFromUtf8(to).c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

bool RemoveLocalFile(const std::string& path) { return DeleteFileW(WideFromUtf8(path).c_str()) != FALSE; }

// NTFS makes a rename durable by itself.
void SyncFolder(const std::string&) {}
