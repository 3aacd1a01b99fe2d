// The files the command line writes in the user's folder, opened so that nothing is ever written
// through a link: natively with O_NOFOLLOW (and O_EXCL for a new file), on Windows with
// CREATE_NEW for a new file and, for an existing one, a check after opening that its final path is
// the file expected in the folder. A link, a folder or a file with a second name where a plain
// file was expected is refused (kNotPlainFile), never followed. Paths are UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

enum class LocalFileError {
  kNone,
  kNotPlainFile,  // a link, a folder, a device, or a file with more than one name
  kExists,        // a new file was asked for and the name is taken
  kMissing,       // an existing file was asked for and there is none
  kDiskFull,
  kOther,
};

// One open file, written through a buffer of its own; closed when it goes.
class LocalFile {
 public:
  LocalFile();
  ~LocalFile();
  LocalFile(const LocalFile&) = delete;
  LocalFile& operator=(const LocalFile&) = delete;

  // A new file; refuses a name that is taken, even by a dangling link.
  bool Create(const std::string& path);
  // An existing plain file, to write at its end; refuses a link.
  bool OpenExisting(const std::string& path);
  // Create, or OpenExisting where the name is a plain file already (cut to keep bytes).
  bool OpenToWrite(const std::string& path, std::uint64_t keep);
  bool IsOpen() const;

  // Cuts the file to size bytes and writes on from there.
  bool Truncate(std::uint64_t size);
  // Buffered: the bytes reach the file when the buffer fills, at Flush, Sync or Close.
  bool Write(const char* data, std::size_t size);
  // The buffered bytes go into the file (a process killed afterwards leaves them there).
  bool Flush();
  // Flush, then the file's bytes reach the disk (a power loss afterwards leaves them there).
  bool Sync();
  bool Close();
  // The file's size including what the buffer holds.
  std::uint64_t Size() const;
  LocalFileError error() const;

  // The open file and its buffer, shared by the buffering (local_files.cpp) and the platform's
  // calls (posix_local_files.cpp, windows_local_files.cpp).
  struct State {
    std::intptr_t file = kNoFile;  // the descriptor natively, the HANDLE on Windows
    std::uint64_t size = 0;        // what the file holds, without the buffer
    std::vector<char> buffer;
    LocalFileError error = LocalFileError::kNone;

    // The platform's: writes the buffer into the file; on a failure what was not written stays in
    // the buffer and error says why.
    bool Drain();
    // The platform's: closes the file without draining.
    bool CloseFile();
  };
  // Not a handle of either platform: a file descriptor is never -1, nor is an open HANDLE
  // INVALID_HANDLE_VALUE.
  static constexpr std::intptr_t kNoFile = -1;

 private:
  std::unique_ptr<State> state_;
};

// A plain file read and written at any place, unbuffered (the tagging's copy): made new, or an
// existing one opened to read; closed when it goes.
class RandomAccessFile {
 public:
  RandomAccessFile() = default;
  ~RandomAccessFile();
  RandomAccessFile(const RandomAccessFile&) = delete;
  RandomAccessFile& operator=(const RandomAccessFile&) = delete;

  // A new file to read and write; refuses a name that is taken, even by a dangling link.
  bool CreateNew(const std::string& path);
  // An existing plain file with one name, to read; refuses a link.
  bool OpenToRead(const std::string& path);
  bool IsOpen() const { return file_ != kNone; }
  // The bytes at `at` into data: how many came (0 at the end, or on a failure).
  std::size_t ReadAt(std::uint64_t at, char* data, std::size_t size);
  bool WriteAt(std::uint64_t at, const char* data, std::size_t size);
  std::uint64_t Size() const;
  bool Truncate(std::uint64_t size);
  bool Sync();
  bool Close();
  LocalFileError error() const { return error_; }

 private:
  static constexpr std::intptr_t kNone = -1;
  std::intptr_t file_ = kNone;  // the descriptor natively, the HANDLE on Windows
  LocalFileError error_ = LocalFileError::kNone;
};

// The size of the plain file at path, not following a link; -1 when there is none, or it is a
// link, a folder or anything else.
long long PlainFileSize(const std::string& path);
// Whether something (a link too, dangling or not) stands at path.
bool PathTaken(const std::string& path);
// Whether what stands at path is something other than a plain file (a link, a folder ...).
bool IsNotPlainFile(const std::string& path);
// Renames from over to (replacing a file there, never writing through a link).
bool RenameLocalFile(const std::string& from, const std::string& to);
// Removes a plain file; natively a link itself too (never what it points at), on Windows never a
// link (Wine would remove what it points at).
bool RemoveLocalFile(const std::string& path);
// Writes text into path through a new file beside it (path + ".new") that then replaces path, so
// that a reader finds the old text or the new one, never a part; the new file is created, never
// opened through a link that may stand in its place.
bool WriteFileAtomically(const std::string& path, const std::string& text);
// Makes the folder at path where there is none; true when a folder (not a link to one) stands
// there afterwards.
bool MakeLocalFolder(const std::string& path);
// Makes the names in the folder durable (a rename survives a power loss); natively fsync of the
// folder, on Windows nothing (the file system does it).
void SyncFolder(const std::string& folder);
