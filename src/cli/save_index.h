// The small index a folder keeps of the songs saved into it, so that a later run saves only what
// is new and continues a ".part" it left: for each song address, the file it went to and whether
// that file is whole or still a ".part" (with the validator the server gave for it).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>

// The index's file in the folder, and the lock file a run holds while it saves there.
constexpr std::string_view kIndexFileName = ".verdimo-index.json";
constexpr std::string_view kLockFileName = ".verdimo-index.lock";
// An index larger than this is no index of ours.
constexpr std::size_t kLargestIndexBytes = 256 * 1024 * 1024;

struct IndexEntry {
  std::string file;       // the file's path in the folder: plain names joined by "/", never ".."
  bool whole = false;     // false: file + ".part" holds the beginning of the song
  std::string validator;  // for a ".part": the ETag or Last-Modified its bytes came with
  // --tag: "pending" while the whole song waits in its ".part" to be tagged, "done" once tagged
  // (or found to be no MP3); "" for a file saved as the server sent it.
  std::string tag{};
};

class SaveIndex {
 public:
  // Reads an index's text. Entries whose file is not a plain name are left out, as the file may
  // have been edited by hand; false when the text is no index at all (nothing is read then).
  bool Parse(std::string_view text);
  std::string Text() const;
  const IndexEntry* Find(const std::string& url) const;
  void Record(const std::string& url, IndexEntry entry) { entries_[url] = std::move(entry); }
  void Forget(const std::string& url) { entries_.erase(url); }
  std::size_t Size() const { return entries_.size(); }

 private:
  std::unordered_map<std::string, IndexEntry> entries_;
};

// Whether a name from the index names a file right in the folder.
bool IsPlainFileName(std::string_view name);
// Whether a path from the index names a file in the folder or in folders below it (as a layout
// makes them): plain names joined by "/", at most a few deep.
bool IsRecordedPath(std::string_view path);
