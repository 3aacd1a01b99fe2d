// Saving a profile's songs into one folder, several side by side, as a run of the command line:
// songs the folder's index lists as saved (whose file is still there) are skipped, a ".part" it
// records is continued, rows that share an address are saved once, and the index follows.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "acquisition/profile_scan.h"
#include "cli/cli_options.h"
#include "cli/resumable_transport.h"
#include "cli/save_index.h"
#include "downloads/download_naming.h"

struct FolderSaveOptions {
  std::string folder;  // exists
  char separator = '/';
  int jobs = kDefaultJobs;
  bool again = false;  // every song anew, beside the old files; the index is not asked
  NameBounds bounds = kNativeNameBounds;
};

enum class SongOutcome { kReady, kFailed, kSkipped };

struct SongResult {
  SongOutcome outcome = SongOutcome::kFailed;
  std::string name;
  std::string path;    // kReady, kSkipped: the file
  std::string reason;  // kFailed
};

// The figures of a run, for a progress line drawn from another thread.
struct FolderSaveProgress {
  std::atomic<std::size_t> songs{0};
  std::atomic<std::size_t> ended{0};       // ready, failed or skipped
  std::atomic<std::uint64_t> bytes{0};     // received in this run
  std::atomic<std::uint64_t> savedBytes{0};  // the whole size of the songs transferred and saved
  std::atomic<std::size_t> transferred{0};   // songs saved by a transfer in this run
};

class FolderSaveEvents {
 public:
  virtual ~FolderSaveEvents() = default;
  // Each song's end, from the thread that saved it; one call at a time.
  virtual void SongEnded(const SongResult& result) = 0;
  // The index's text to keep, when it changed (at most about once a second) and at the end; one
  // call at a time, in order. Returns whether it was kept.
  virtual bool StoreIndex(const std::string& text) = 0;
};

struct FolderSaveSummary {
  std::size_t ready = 0, failed = 0, skipped = 0;
  std::size_t left = 0;  // not saved because of a stop: their ".part" stays for the next run
  bool indexStored = true;
};

FolderSaveSummary SaveIntoFolder(const std::vector<PlaylistSong>& songs, SaveIndex& index,
                                 ResumableFileTransport& transport, const FolderSaveOptions& options,
                                 FolderSaveEvents& events, const TransferStop& stop, FolderSaveProgress& progress);
