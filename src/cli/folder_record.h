// The folder's record of the songs saved into it, kept so that a run killed at any moment (a
// crash, SIGKILL, a power loss) is continued by the next: the index (.verdimo-index.json, as
// earlier versions wrote it) plus an append-only journal beside it (.verdimo-index.journal), one
// JSON line per change, compacted into the index when a run ends.
//
// A journal rather than rewriting the index: an accepted answer is named in the record before its
// first byte goes into the ".part", and every song's end before its result line is printed; with
// thousands of songs, rewriting the whole index for each would cost more than the songs. Lines are
// written at once (a killed process loses none) and reach the disk at least once a second, several
// songs' lines sharing one flush; a line torn by a power loss is skipped when the journal is read.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "cli/local_files.h"
#include "cli/save_index.h"
#include "downloads/save_run.h"

constexpr std::string_view kJournalFileName = ".verdimo-index.journal";
// What a file of the record's that is no plain file (a planted link) is renamed to.
constexpr std::string_view kSetAsideSuffix = ".set-aside";

// Renames a name that should be a plain file of ours but is a link (or anything else) out of the
// way, never writing through it; says so. Returns whether the name is free now.
bool SetAsideIfNotPlain(const std::string& path, const std::function<void(const std::string&)>& say);

class FolderRecord : public SaveRecord {
 public:
  // folderPrefix: the folder with its separator at the end. With again, Plan asks nothing of the
  // record (every song is saved anew) while the record still follows the run.
  // tagging: songs are tagged (--tag), so a whole file not yet tagged is planned to be.
  FolderRecord(std::string folderPrefix, bool again, std::function<void(const std::string&)> say, bool tagging = false);
  ~FolderRecord() override;

  // Reads the index and the journal and opens the journal for the run; false (with its words)
  // when the journal cannot be written.
  bool Open();
  SongPlan Plan(const RunSong& song) override;
  bool Accepted(const RunSong& song, const std::string& path, const AcceptedAnswer& answer) override;
  bool Ended(const RunSong& song, const std::string& path, const TransferOutcome& outcome, bool partKept) override;
  bool Finished(const RunSong& song, const std::string& path) override;
  // Writes the index whole, then removes the journal; false when the index could not be written
  // (the journal then stays, and the next run reads it).
  bool Close();

 private:
  bool Append(const std::string& url, const IndexEntry* entry);
  void FlushEverySecond();
  std::string FileName(const std::string& path) const;
  // The file of the record's name: its path in the folder.
  std::string PathOf(const std::string& file) const;

  const std::string prefix_;
  const bool again_;
  const bool tagging_;
  const std::function<void(const std::string&)> say_;
  std::mutex lock_;  // guards index_, journal_, dirty_, ended_
  SaveIndex index_;
  LocalFile journal_;
  bool dirty_ = false;
  bool ended_ = false;
  bool broken_ = false;  // a write failed: nothing more is appended
  std::condition_variable wake_;
  std::thread flusher_;
};
