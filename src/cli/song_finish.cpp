#include "cli/song_finish.h"

#include <vector>

#include "cli/local_files.h"
#include "net/answer_policy.h"
#include "net/partial_file.h"

namespace {

// Bytes copied at once.
constexpr std::size_t kCopyBytes = 256 * 1024;

SongFinish Failed(LocalFileError error, const char* what) {
  return {false, error == LocalFileError::kDiskFull ? std::string("the disk is full")
                                                    : std::string("the ") + what + " cannot be written"};
}

}  // namespace

SongFinish FinishSong(const std::string& path, bool fromPart, const SongTagValues* tags) {
  const std::string source = fromPart ? path + std::string(kPartialFileSuffix) : path;
  if (tags == nullptr) {
    if (!fromPart) return {true, std::string()};
    return RenameLocalFile(source, path) ? SongFinish{true, std::string()} : SongFinish{false, "the file cannot be written"};
  }
  const std::string copyPath = path + kTaggingSuffix;
  RandomAccessFile from;
  if (!from.OpenToRead(source)) return {false, "the saved song cannot be read"};
  // A copy a killed run left is its own leftover: a plain file goes, anything else is refused.
  if (!IsNotPlainFile(copyPath)) RemoveLocalFile(copyPath);
  RandomAccessFile copy;
  if (!copy.CreateNew(copyPath)) return Failed(copy.error(), "tagged copy");
  std::vector<char> piece(kCopyBytes);
  for (std::uint64_t at = 0;;) {
    const std::size_t count = from.ReadAt(at, piece.data(), piece.size());
    if (count == 0) break;
    if (!copy.WriteAt(at, piece.data(), count)) {
      const LocalFileError error = copy.error();
      copy.Close();
      RemoveLocalFile(copyPath);
      return Failed(error, "tagged copy");
    }
    at += count;
  }
  from.Close();
  const TagOutcome tagged = TagSong(copy, *tags);
  if (tagged == TagOutcome::kFailed || !copy.Sync() || !copy.Close()) {
    const LocalFileError error = copy.error();
    copy.Close();
    RemoveLocalFile(copyPath);
    return Failed(error, "tags");
  }
  // Durable before it takes the file's name; then the ".part" is no longer needed.
  if (!RenameLocalFile(copyPath, path)) {
    RemoveLocalFile(copyPath);
    return {false, "the file cannot be written"};
  }
  if (fromPart) RemoveLocalFile(source);
  return {true, tagged == TagOutcome::kNotMp3 ? "not tagged: no MP3 frames" : std::string()};
}

std::string PlaylistText(const std::vector<std::pair<std::string, std::string>>& titlesAndPaths) {
  std::string text = "#EXTM3U\n";
  for (const auto& [title, path] : titlesAndPaths) text += "#EXTINF:-1," + title + "\n" + path + "\n";
  return text;
}
