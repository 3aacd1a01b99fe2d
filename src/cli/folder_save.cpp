// The command line's side of a save run: its targets, the folder's names, its figures and lines.
#include "cli/folder_save.h"

#include <algorithm>
#include <filesystem>
#include <unordered_map>
#include <mutex>
#include <unordered_set>

#include "cli/local_files.h"
#include "cli/output_template.h"
#include "cli/song_finish.h"
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

// The names of each folder a run writes into, read when the run first looks for a free name there.
class FolderNames {
 public:
  FolderNames(std::string prefix, char separator) : prefix_(std::move(prefix)), separator_(separator) {}
  bool Taken(const std::string& path) {
    if (path.compare(0, prefix_.size(), prefix_) != 0) return true;
    const std::size_t slash = path.rfind(separator_);
    const std::string folder = path.substr(0, slash);
    const std::string name = FoldedName(path.substr(slash + 1), NameFold::kUtf8);
    std::lock_guard<std::mutex> hold(lock_);
    auto found = names_.find(folder);
    if (found == names_.end()) found = names_.emplace(folder, NamesInFolder(folder)).first;
    return found->second.count(name) > 0 || found->second.count(name + FoldedName(kPartialFileSuffix, NameFold::kUtf8)) > 0;
  }

 private:
  const std::string prefix_;
  const char separator_;
  std::mutex lock_;
  std::unordered_map<std::string, std::unordered_set<std::string>> names_;
};

class RunLines : public SaveRunEvents {
 public:
  RunLines(const std::vector<PlaylistSong>& songs, std::vector<std::size_t> places, FolderSaveEvents& events,
           FolderSaveProgress& progress)
      : songs_(songs), places_(std::move(places)), events_(events), progress_(progress),
        counted_(places_.size(), 0), left_(places_.size(), 0), running_(places_.size(), 0), saved_(places_.size()) {}

  std::size_t PlaceOf(std::size_t song) const { return places_[song]; }
  // Each run song's file once it is saved or skipped; "" otherwise.
  const std::vector<std::string>& saved() const { return saved_; }

  void StateChanged(std::size_t song, SongSaveState state) override {
    if (state == SongSaveState::kDownloading && !running_[song]) {
      running_[song] = 1;
      progress_.running.fetch_add(1);
    }
  }

  void Progress(std::size_t song, std::uint64_t received, std::uint64_t announced) override {
    // A song that starts afresh reports fewer bytes than before: those are counted again.
    std::uint64_t& counted = counted_[song];
    if (received > counted) progress_.bytes.fetch_add(received - counted);
    counted = received;
    // The bytes still to come of songs that announced their length give the time left.
    const std::uint64_t left = announced > received ? announced - received : 0;
    progress_.announcedLeft.fetch_add(left - left_[song]);  // unsigned: wraps to a subtraction
    left_[song] = left;
  }

  void Ended(std::size_t song, SongEnd end, const std::string& path, const std::string& reason) override {
    progress_.announcedLeft.fetch_sub(left_[song]);
    left_[song] = 0;
    if (running_[song]) progress_.running.fetch_sub(1);
    running_[song] = 0;
    if (end == SongEnd::kLeft) return;
    if (end == SongEnd::kReady) {
      progress_.savedBytes.fetch_add(counted_[song]);
      progress_.transferred.fetch_add(1);
    }
    if (end != SongEnd::kFailed) saved_[song] = path;
    const SongOutcome outcome = end == SongEnd::kReady   ? SongOutcome::kReady
                                : end == SongEnd::kSkipped ? SongOutcome::kSkipped
                                                           : SongOutcome::kFailed;
    {
      std::lock_guard<std::mutex> hold(lock_);
      events_.SongEnded(SongResult{outcome, songs_[places_[song]].name, path, reason});
    }
    progress_.ended.fetch_add(1);
  }

 private:
  const std::vector<PlaylistSong>& songs_;
  const std::vector<std::size_t> places_;  // each run song's place in songs
  FolderSaveEvents& events_;
  FolderSaveProgress& progress_;
  // Each song's, touched by the thread saving it.
  std::vector<std::uint64_t> counted_;
  std::vector<std::uint64_t> left_;
  std::vector<char> running_;
  std::vector<std::string> saved_;
  std::mutex lock_;
};

// --playlist: "<artist>.m3u8" in the folder, the saved songs in playlist order.
bool WritePlaylist(const std::string& prefix, const FolderSaveOptions& options, const std::vector<RunSong>& run,
                   const RunLines& lines) {
  std::vector<std::pair<std::string, std::string>> entries;
  for (std::size_t i = 0; i < run.size(); ++i) {
    const std::string& path = lines.saved()[i];
    if (path.compare(0, prefix.size(), prefix) != 0) continue;
    std::string relative = path.substr(prefix.size());
    std::replace(relative.begin(), relative.end(), options.separator, '/');
    entries.emplace_back(run[i].name, relative);
  }
  const std::string name = SafeFileNameUtf8(options.artist, PathLength(prefix, options.bounds), options.bounds);
  return WriteFileAtomically(prefix + (name.empty() ? std::string("playlist") : name) + ".m3u8", PlaylistText(entries));
}

// Makes the folders of a file's path below the folder, none of them a link; false when one
// cannot be made.
bool MakeFolders(const std::string& prefix, const std::string& relative, char separator,
                 std::unordered_set<std::string>& made) {
  for (std::size_t slash = relative.find('/'); slash != std::string::npos; slash = relative.find('/', slash + 1)) {
    std::string folder = prefix + relative.substr(0, slash);
    std::replace(folder.begin() + static_cast<std::ptrdiff_t>(prefix.size()), folder.end(), '/', separator);
    if (made.count(folder) > 0) continue;
    if (!MakeLocalFolder(folder)) return false;
    made.insert(folder);
  }
  return true;
}

}  // namespace

FolderSaveSummary SaveIntoFolder(const std::vector<PlaylistSong>& songs, FileTransport& transport,
                                 const FolderSaveOptions& options, FolderRecord& record, FolderSaveEvents& events,
                                 const TransferStop& stop, FolderSaveProgress& progress) {
  std::string prefix = options.folder;
  if (prefix.empty() || (prefix.back() != options.separator && prefix.back() != '/')) prefix += options.separator;
  progress.songs.fetch_add(songs.size());
  std::vector<RunSong> run;
  std::vector<std::size_t> places;
  run.reserve(songs.size());
  std::unordered_set<std::string> made;
  FolderSaveSummary summary;
  for (std::size_t i = 0; i < songs.size(); ++i) {
    const PlaylistSong& song = songs[i];
    const std::string relative =
        ExpandTemplate(options.layout, TemplateValues{options.artist, song.name, i + 1, songs.size()}, options.bounds);
    if (relative.empty() || !MakeFolders(prefix, relative, options.separator, made)) {
      // No value leaves the folder: a folder of the layout that is a link (or no folder) is not written into.
      events.SongEnded(SongResult{SongOutcome::kFailed, song.name, std::string(),
                                  "its folder cannot be made in \"" + options.folder + "\" (a link or a file is in the way)"});
      progress.ended.fetch_add(1);
      ++summary.failed;
      continue;
    }
    std::string target = prefix + relative;
    std::replace(target.begin() + static_cast<std::ptrdiff_t>(prefix.size()), target.end(), '/', options.separator);
    run.push_back(RunSong{song.url, song.name, std::move(target)});
    places.push_back(i);
  }
  FolderNames names(prefix, options.separator);
  SaveRunOptions runOptions;
  runOptions.jobs = options.jobs;
  runOptions.shareAddresses = true;
  runOptions.keepParts = true;  // a cut song is continued by the next run
  runOptions.fold = NameFold::kUtf8;
  runOptions.taken = [&names](const std::string& path) { return names.Taken(path); };
  RunLines lines(songs, std::move(places), events, progress);
  // Every song is finished by the command line: with --tag tagged through a copy, else a whole
  // ".part" a killed tagging run left renamed as it is.
  runOptions.finish = [&](std::size_t song, const std::string& path, bool fromPart) {
    const std::size_t place = lines.PlaceOf(song);
    const SongTagValues tags{songs[place].name, options.artist, songs[place].url, place + 1, songs.size()};
    return FinishSong(path, fromPart, options.tag ? &tags : nullptr);
  };
  runOptions.finishWholePart = options.tag;
  const SaveRunSummary ran = RunSave(run, transport, runOptions, lines, &record, stop);
  if (options.playlist && !WritePlaylist(prefix, options, run, lines)) ++summary.failed;
  summary.ready += ran.ready;
  summary.failed += ran.failed;
  summary.skipped += ran.skipped;
  summary.left += ran.left;
  summary.recordFailed = ran.recordFailed;
  return summary;
}
