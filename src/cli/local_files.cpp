// LocalFile's buffer, the same on both platforms; the opening, cutting and writing are the
// platform's.
#include "cli/local_files.h"

#include <algorithm>


namespace {

// Songs arrive in large pieces; writing them in large pieces saves system calls.
constexpr std::size_t kFileBufferBytes = 128 * 1024;

}  // namespace

LocalFile::LocalFile() : state_(new State) {}

LocalFile::~LocalFile() { Close(); }

bool LocalFile::OpenToWrite(const std::string& path, std::uint64_t keep) {
  if (Create(path)) return true;
  if (state_->error != LocalFileError::kExists) return false;
  return OpenExisting(path) && Truncate(std::min(keep, state_->size));
}

bool LocalFile::IsOpen() const { return state_->file != kNoFile; }

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

bool LocalFile::Close() {
  if (!IsOpen()) return true;
  const bool drained = state_->Drain();
  const bool closed = state_->CloseFile();
  state_->file = kNoFile;
  state_->buffer.clear();
  return drained && closed;
}

std::uint64_t LocalFile::Size() const { return state_->size + state_->buffer.size(); }

LocalFileError LocalFile::error() const { return state_->error; }

bool WriteFileAtomically(const std::string& path, const std::string& text) {
  const std::string temporary = path + ".new";
  RemoveLocalFile(temporary);  // a leftover (or a link planted there) goes, never followed
  LocalFile file;
  const bool written = file.Create(temporary) && file.Write(text.data(), text.size()) && file.Sync() && file.Close();
  if (!written || !RenameLocalFile(temporary, path)) {
    file.Close();
    RemoveLocalFile(temporary);
    return false;
  }
  return true;
}
