// What an open LocalFile holds, shared by its buffering (local_files.cpp) and the platform's
// calls (posix_local_files.cpp, windows_local_files.cpp).
#pragma once

#include <cstdint>
#include <vector>

#include "cli/local_files.h"

// Not a handle of either platform: a file descriptor is never -1, nor is a HANDLE
// INVALID_HANDLE_VALUE once opened.
constexpr std::intptr_t kNoFile = -1;

struct LocalFile::State {
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
