// Saving a profile's songs into one folder as a run of the command line: the save run of
// downloads/ with the folder's record (songs saved already are skipped, a ".part" is continued,
// each accepted answer and each end recorded before it is shown), rows that share an address saved
// once, and names free in more than letter case against the folder's files and each other.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "acquisition/profile_scan.h"
#include "cli/cli_options.h"
#include "cli/folder_record.h"
#include "downloads/download_naming.h"

struct FolderSaveOptions {
  std::string folder;  // exists
  char separator = '/';
  int jobs = kDefaultJobs;
  NameBounds bounds = kNativeNameBounds;
  std::string layout = kOneProfileTemplate;  // checked by the caller (ExpandTemplate gives a path)
  std::string artist;  // {artist}: the page's name, else the profile's as typed
  bool tag = false;       // --tag: each song's title, artist, track and address written into it
  bool playlist = false;  // --playlist: {artist}.m3u8 in the folder lists the songs saved there
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
  std::atomic<std::size_t> ended{0};         // ready, failed or skipped
  std::atomic<std::uint64_t> bytes{0};       // received in this run
  std::atomic<std::uint64_t> savedBytes{0};  // the whole size of the songs transferred and saved
  std::atomic<std::size_t> transferred{0};   // songs saved by a transfer in this run
  std::atomic<std::size_t> running{0};       // songs transferring now
  std::atomic<std::uint64_t> announcedLeft{0};  // bytes still to come of running songs that announced their length
  std::atomic<std::size_t> retries{0};       // retries so far
};

class FolderSaveEvents {
 public:
  virtual ~FolderSaveEvents() = default;
  // Each song's end, from the thread that saved it, after the record holds it; one call at a time.
  virtual void SongEnded(const SongResult& result) = 0;
};

struct FolderSaveSummary {
  std::size_t ready = 0, failed = 0, skipped = 0;
  std::size_t left = 0;  // not saved because of a stop: their ".part" stays for the next run
  bool recordFailed = false;
};

FolderSaveSummary SaveIntoFolder(const std::vector<PlaylistSong>& songs, FileTransport& transport,
                                 const FolderSaveOptions& options, FolderRecord& record, FolderSaveEvents& events,
                                 const TransferStop& stop, FolderSaveProgress& progress);
