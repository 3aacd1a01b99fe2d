// The command line's side of a save run: its targets, the folder's names, its figures and lines.
#include "cli/folder_save.h"

#include <filesystem>
#include <mutex>
#include <unordered_set>

#include "downloads/name_reservations.h"
#include "net/partial_file.h"

namespace fs = std::filesystem;

namespace {

// The names in the folder when the run starts, folded as Windows compares them: a free name must
// differ from them in more than letter case, so the folder can go there whole. An empty plain file
// is no song in the way.
std::unordered_set<std::string> NamesInFolder(const std::string& folder) {
  std::unordered_set<std::string> names;
  std::error_code error;
  for (fs::directory_iterator entry(fs::u8path(folder), error), end; !error && entry != end; entry.increment(error)) {
    std::error_code sizeError;
    const bool emptyFile = entry->symlink_status(sizeError).type() == fs::file_type::regular &&
                           entry->file_size(sizeError) == 0 && !sizeError;
    if (!emptyFile) names.insert(FoldedName(entry->path().filename().u8string(), NameFold::kUtf8));
  }
  return names;
}

class RunLines : public SaveRunEvents {
 public:
  RunLines(const std::vector<PlaylistSong>& songs, FolderSaveEvents& events, FolderSaveProgress& progress)
      : songs_(songs), events_(events), progress_(progress), counted_(songs.size(), 0) {}

  void StateChanged(std::size_t, SongSaveState) override {}

  void Progress(std::size_t song, std::uint64_t received, std::uint64_t) override {
    // A song that starts afresh reports fewer bytes than before: those are counted again.
    std::uint64_t& counted = counted_[song];
    if (received > counted) progress_.bytes.fetch_add(received - counted);
    counted = received;
  }

  void Ended(std::size_t song, SongEnd end, const std::string& path, const std::string& reason) override {
    if (end == SongEnd::kLeft) return;
    if (end == SongEnd::kReady) {
      progress_.savedBytes.fetch_add(counted_[song]);
      progress_.transferred.fetch_add(1);
    }
    const SongOutcome outcome = end == SongEnd::kReady   ? SongOutcome::kReady
                                : end == SongEnd::kSkipped ? SongOutcome::kSkipped
                                                           : SongOutcome::kFailed;
    {
      std::lock_guard<std::mutex> hold(lock_);
      events_.SongEnded(SongResult{outcome, songs_[song].name, path, reason});
    }
    progress_.ended.fetch_add(1);
  }

 private:
  const std::vector<PlaylistSong>& songs_;
  FolderSaveEvents& events_;
  FolderSaveProgress& progress_;
  std::vector<std::uint64_t> counted_;  // each song's, touched by the thread saving it
  std::mutex lock_;
};

}  // namespace

FolderSaveSummary SaveIntoFolder(const std::vector<PlaylistSong>& songs, FileTransport& transport,
                                 const FolderSaveOptions& options, FolderRecord& record, FolderSaveEvents& events,
                                 const TransferStop& stop, FolderSaveProgress& progress) {
  std::string prefix = options.folder;
  if (prefix.empty() || (prefix.back() != options.separator && prefix.back() != '/')) prefix += options.separator;
  const std::size_t folderLength = PathLength(prefix, options.bounds);
  std::vector<RunSong> run;
  run.reserve(songs.size());
  for (const PlaylistSong& song : songs) {
    run.push_back(RunSong{song.url, song.name, prefix + SafeFileNameUtf8(song.name, folderLength, options.bounds)});
  }
  const std::unordered_set<std::string> names = NamesInFolder(options.folder);
  SaveRunOptions runOptions;
  runOptions.jobs = options.jobs;
  runOptions.shareAddresses = true;
  runOptions.keepParts = true;  // a cut song is continued by the next run
  runOptions.fold = NameFold::kUtf8;
  runOptions.taken = [&names, &prefix](const std::string& path) {
    if (path.compare(0, prefix.size(), prefix) != 0) return true;
    const std::string name = FoldedName(path.substr(prefix.size()), NameFold::kUtf8);
    return names.count(name) > 0 || names.count(name + FoldedName(kPartialFileSuffix, NameFold::kUtf8)) > 0;
  };
  progress.songs.store(songs.size());
  RunLines lines(songs, events, progress);
  const SaveRunSummary summary = RunSave(run, transport, runOptions, lines, &record, stop);
  return FolderSaveSummary{summary.ready, summary.failed, summary.skipped, summary.left, summary.recordFailed};
}
