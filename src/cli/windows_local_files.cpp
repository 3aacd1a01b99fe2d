// The user's folder's files on Windows: a new file is made with CREATE_NEW, which a link of that
// name (dangling or not) refuses; an existing one is opened as itself, never as what a link points
// at, and must be a plain file with one name.
#include <windows.h>

#include <algorithm>
#include <vector>

#include "cli/local_files.h"
#include "cli/windows_text.h"

namespace {

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

bool Failed(LocalFile::State& state, DWORD code) {
  state.error = ErrorOf(code);
  return false;
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

// A path as the system resolved it for an open handle; "" when it cannot tell.
std::wstring FinalPath(HANDLE handle) {
  std::wstring path(1024, L'\0');
  DWORD length = GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()), FILE_NAME_NORMALIZED);
  if (length >= path.size()) {
    path.resize(length + 1);
    length = GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()), FILE_NAME_NORMALIZED);
  }
  path.resize(length < path.size() ? length : 0);
  return path;
}

// Under Wine a Unix link looks like a plain file and FILE_FLAG_OPEN_REPARSE_POINT follows it; the
// final path of what was opened tells: it must be the name expected in the folder expected.
bool IsWhereExpected(HANDLE file, const std::string& path) {
  const std::wstring wide = WideFromUtf8(path);
  const std::size_t slash = wide.find_last_of(L"\\/");
  const std::wstring folder = slash == std::wstring::npos ? L"." : slash == 0 ? wide.substr(0, 1) : wide.substr(0, slash);
  const std::wstring name = slash == std::wstring::npos ? wide : wide.substr(slash + 1);
  const HANDLE directory = CreateFileW(folder.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (directory == INVALID_HANDLE_VALUE) return false;
  std::wstring expected = FinalPath(directory);
  CloseHandle(directory);
  if (expected.empty()) return false;
  if (expected.back() != L'\\') expected += L'\\';
  expected += name;
  const std::wstring actual = FinalPath(file);
  return !actual.empty() && CompareStringOrdinal(actual.c_str(), static_cast<int>(actual.size()), expected.c_str(),
                                                 static_cast<int>(expected.size()), TRUE) == CSTR_EQUAL;
}

HANDLE OpenFile(const std::string& path, DWORD disposition, DWORD access = GENERIC_WRITE) {
  // FILE_FLAG_OPEN_REPARSE_POINT: a link is opened as the link, which the check then refuses.
  return CreateFileW(WideFromUtf8(path).c_str(), access, FILE_SHARE_READ, nullptr, disposition,
                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

// An existing plain file of the folder, opened as itself; INVALID_HANDLE_VALUE with error set
// otherwise.
HANDLE OpenPlainFile(const std::string& path, DWORD access, LocalFileError& error) {
  const HANDLE file = OpenFile(path, OPEN_EXISTING, access);
  if (file == INVALID_HANDLE_VALUE) {
    error = ErrorOf(GetLastError());
    return file;
  }
  if (!IsPlainSingleFile(file) || !IsWhereExpected(file, path)) {
    CloseHandle(file);
    error = LocalFileError::kNotPlainFile;
    return INVALID_HANDLE_VALUE;
  }
  return file;
}

OVERLAPPED At(std::uint64_t at) {
  OVERLAPPED place{};
  place.Offset = static_cast<DWORD>(at);
  place.OffsetHigh = static_cast<DWORD>(at >> 32);
  return place;
}

}  // namespace

bool LocalFile::State::Drain() {
  const HANDLE handle = reinterpret_cast<HANDLE>(file);
  std::size_t done = 0;
  while (done < buffer.size()) {
    DWORD wrote = 0;
    const DWORD piece = static_cast<DWORD>(std::min(buffer.size() - done, kLargestWrite));
    if (!WriteFile(handle, buffer.data() + done, piece, &wrote, nullptr) || wrote == 0) {
      const DWORD code = GetLastError();
      buffer.erase(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(done));
      size += done;
      error = ErrorOf(wrote == 0 && code == ERROR_SUCCESS ? ERROR_DISK_FULL : code);
      return false;
    }
    done += wrote;
  }
  size += done;
  buffer.clear();
  return true;
}

bool LocalFile::State::CloseFile() { return CloseHandle(reinterpret_cast<HANDLE>(file)) != FALSE; }

bool LocalFile::Create(const std::string& path) {
  Close();
  state_->error = LocalFileError::kNone;
  const HANDLE file = OpenFile(path, CREATE_NEW);
  if (file == INVALID_HANDLE_VALUE) return Failed(*state_, GetLastError());
  state_->file = reinterpret_cast<std::intptr_t>(file);
  state_->size = 0;
  return true;
}

bool LocalFile::OpenExisting(const std::string& path) {
  Close();
  state_->error = LocalFileError::kNone;
  const HANDLE file = OpenPlainFile(path, GENERIC_WRITE, state_->error);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER end;
  if (!SetFilePointerEx(file, LARGE_INTEGER{}, &end, FILE_END)) {
    CloseHandle(file);
    return Failed(*state_, GetLastError());
  }
  state_->file = reinterpret_cast<std::intptr_t>(file);
  state_->size = static_cast<std::uint64_t>(end.QuadPart);
  return true;
}

bool LocalFile::Truncate(std::uint64_t size) {
  if (!IsOpen() || !state_->Drain()) return false;
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(size);
  const HANDLE file = reinterpret_cast<HANDLE>(state_->file);
  if (!SetFilePointerEx(file, at, nullptr, FILE_BEGIN) || !SetEndOfFile(file)) {
    return Failed(*state_, GetLastError());
  }
  state_->size = size;
  return true;
}

bool LocalFile::Sync() {
  if (!Flush()) return false;
  return FlushFileBuffers(reinterpret_cast<HANDLE>(state_->file)) || Failed(*state_, GetLastError());
}

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
  const std::wstring wide = WideFromUtf8(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if (!IsPlainAttributes(attributes)) return true;
  const HANDLE file = CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) return true;
  const bool plain = IsPlainSingleFile(file) && IsWhereExpected(file, path);
  CloseHandle(file);
  return !plain;
}

bool RenameLocalFile(const std::string& from, const std::string& to) {
  return MoveFileExW(WideFromUtf8(from).c_str(), WideFromUtf8(to).c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

// Under Wine, deleting a Unix link deletes the file it points at: only a plain file of the folder goes.
bool RemoveLocalFile(const std::string& path) {
  return !IsNotPlainFile(path) && DeleteFileW(WideFromUtf8(path).c_str()) != FALSE;
}

// NTFS makes a rename durable by itself.
void SyncFolder(const std::string&) {}

bool MakeLocalFolder(const std::string& path) {
  const std::wstring wide = WideFromUtf8(path);
  CreateDirectoryW(wide.c_str(), nullptr);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
         (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

RandomAccessFile::~RandomAccessFile() { Close(); }

bool RandomAccessFile::CreateNew(const std::string& path) {
  Close();
  const HANDLE file = OpenFile(path, CREATE_NEW, GENERIC_READ | GENERIC_WRITE);
  if (file == INVALID_HANDLE_VALUE) {
    error_ = ErrorOf(GetLastError());
    return false;
  }
  file_ = reinterpret_cast<std::intptr_t>(file);
  return true;
}

bool RandomAccessFile::OpenToRead(const std::string& path) {
  Close();
  const HANDLE file = OpenPlainFile(path, GENERIC_READ, error_);
  if (file == INVALID_HANDLE_VALUE) return false;
  file_ = reinterpret_cast<std::intptr_t>(file);
  return true;
}

std::size_t RandomAccessFile::ReadAt(std::uint64_t at, char* data, std::size_t size) {
  OVERLAPPED place = At(at);
  DWORD read = 0;
  const DWORD piece = static_cast<DWORD>(std::min(size, kLargestWrite));
  if (!ReadFile(reinterpret_cast<HANDLE>(file_), data, piece, &read, &place)) {
    if (GetLastError() != ERROR_HANDLE_EOF) error_ = ErrorOf(GetLastError());
    return 0;
  }
  return read;
}

bool RandomAccessFile::WriteAt(std::uint64_t at, const char* data, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    OVERLAPPED place = At(at + done);
    DWORD wrote = 0;
    const DWORD piece = static_cast<DWORD>(std::min(size - done, kLargestWrite));
    if (!WriteFile(reinterpret_cast<HANDLE>(file_), data + done, piece, &wrote, &place) || wrote == 0) {
      error_ = ErrorOf(wrote == 0 && GetLastError() == ERROR_SUCCESS ? ERROR_DISK_FULL : GetLastError());
      return false;
    }
    done += wrote;
  }
  return true;
}

std::uint64_t RandomAccessFile::Size() const {
  LARGE_INTEGER size{};
  return GetFileSizeEx(reinterpret_cast<HANDLE>(file_), &size) ? static_cast<std::uint64_t>(size.QuadPart) : 0;
}

bool RandomAccessFile::Truncate(std::uint64_t size) {
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(size);
  const HANDLE file = reinterpret_cast<HANDLE>(file_);
  if (SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && SetEndOfFile(file)) return true;
  error_ = ErrorOf(GetLastError());
  return false;
}

bool RandomAccessFile::Sync() {
  if (FlushFileBuffers(reinterpret_cast<HANDLE>(file_))) return true;
  error_ = ErrorOf(GetLastError());
  return false;
}

bool RandomAccessFile::Close() {
  if (!IsOpen()) return true;
  const bool closed = CloseHandle(reinterpret_cast<HANDLE>(file_)) != FALSE;
  file_ = kNone;
  return closed;
}
