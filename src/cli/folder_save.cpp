// A run saves each distinct song address once, on a few worker threads that take the next song as
// they come free. The index and the results are shared between them under one lock each.
#include "cli/folder_save.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>
#include <exception>
#include <filesystem>
#include <unordered_map>
#include <unordered_set>

#include "downloads/song_save.h"
#include "net/partial_file.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kIndexStorePause = std::chrono::seconds(1);

// The rows of one song address: the first is saved, the others share its file.
struct SongGroup {
  std::vector<std::size_t> rows;
};

std::vector<SongGroup> GroupsOf(const std::vector<PlaylistSong>& songs) {
  std::vector<SongGroup> groups;
  std::unordered_map<std::string, std::size_t> byAddress;
  for (std::size_t row = 0; row < songs.size(); ++row) {
    const std::string& url = songs[row].url;
    // Rows without an address share nothing: each fails on its own.
    const auto [at, added] = byAddress.try_emplace(url, groups.size());
    if (added || url.empty()) {
      groups.push_back(SongGroup{{row}});
    } else {
      groups[at->second].rows.push_back(row);
    }
  }
  return groups;
}

std::string FileNameOf(const std::string& path, char separator) {
  const std::size_t cut = path.find_last_of(std::string{separator, '/'});
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string AsciiLower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// The names of the folder's non-empty files when the run starts, in lower case: a free name must
// differ from them in more than letter case, as on Windows, so the folder can go there whole.
std::unordered_set<std::string> NamesInFolder(const std::string& folder) {
  std::unordered_set<std::string> names;
  std::error_code error;
  for (fs::directory_iterator entry(fs::u8path(folder), error), end; !error && entry != end; entry.increment(error)) {
    std::error_code sizeError;
    if (entry->is_regular_file(sizeError) && entry->file_size(sizeError) > 0 && !sizeError) {
      names.insert(AsciiLower(entry->path().filename().u8string()));
    }
  }
  return names;
}

// One song's transfer: continues the recorded ".part" when the save writes that file, and keeps
// what the transport said of it.
class SongTransfer : public FileTransport {
 public:
  SongTransfer(ResumableFileTransport& transport, std::string continuePath, std::string validator,
               const std::unordered_set<std::string>& folderNames, const std::string& folderPrefix)
      : transport_(transport), continuePath_(std::move(continuePath)), validator_(std::move(validator)),
        folderNames_(folderNames), folderPrefix_(folderPrefix) {}
  bool Transfer(const std::string& url, const std::string& targetPath, const TransferProgress& progress,
                const TransferStop* stop) override {
    target_ = targetPath;
    ResumeOptions options;
    options.continuePart = !continuePath_.empty() && targetPath == continuePath_;
    if (options.continuePart) options.validator = validator_;
    options.keepPartOnFailure = true;  // a cut song is continued by the next run
    outcome_ = transport_.TransferResumable(url, targetPath, options, progress, stop);
    return outcome_.complete;
  }
  bool FileExistsNonEmpty(const std::string& path) override {
    return transport_.FileExistsNonEmpty(path) ||
           (path.compare(0, folderPrefix_.size(), folderPrefix_) == 0 &&
            folderNames_.count(AsciiLower(path.substr(folderPrefix_.size()))) > 0);
  }
  const std::string& target() const { return target_; }
  const ResumeOutcome& outcome() const { return outcome_; }

 private:
  ResumableFileTransport& transport_;
  std::string continuePath_;
  std::string validator_;
  const std::unordered_set<std::string>& folderNames_;
  const std::string& folderPrefix_;
  std::string target_;
  ResumeOutcome outcome_;
};

// Counts a song's bytes into the run's figures.
class SongFigures : public SongSaveEvents {
 public:
  explicit SongFigures(FolderSaveProgress& progress) : progress_(progress) {}
  bool StillWanted() override { return true; }
  void StateChanged(SongSaveState, const std::string&) override {}
  std::string AskTargetPath(const std::string&) override { return std::string(); }
  void Progress(std::uint64_t received, std::uint64_t) override {
    // A song that starts afresh reports fewer bytes than before: those are counted again.
    if (received > counted_) progress_.bytes.fetch_add(received - counted_);
    counted_ = received;
  }
  std::uint64_t counted() const { return counted_; }

 private:
  FolderSaveProgress& progress_;
  std::uint64_t counted_ = 0;
};

class FolderRun {
 public:
  FolderRun(const std::vector<PlaylistSong>& songs, SaveIndex& index, ResumableFileTransport& transport,
            const FolderSaveOptions& options, FolderSaveEvents& events, const TransferStop& stop,
            FolderSaveProgress& progress)
      : songs_(songs), index_(index), transport_(transport), options_(options), events_(events), stop_(stop),
        progress_(progress), groups_(GroupsOf(songs)) {
    folderPrefix_ = options.folder;
    if (folderPrefix_.empty() || (folderPrefix_.back() != options.separator && folderPrefix_.back() != '/')) {
      folderPrefix_ += options.separator;
    }
    folderNames_ = NamesInFolder(options.folder);
  }

  FolderSaveSummary Run() {
    progress_.songs.store(songs_.size());
    const std::size_t workers =
        std::min<std::size_t>(groups_.size(), static_cast<std::size_t>(std::max(options_.jobs, 1)));
    std::vector<std::thread> threads;
    for (std::size_t i = 1; i < workers; ++i) threads.emplace_back([this] { Work(); });
    Work();
    for (std::thread& thread : threads) thread.join();
    StoreIndex(true);
    return summary_;
  }

 private:
  void Work() {
    for (std::size_t g = next_.fetch_add(1); g < groups_.size(); g = next_.fetch_add(1)) {
      if (stop_.requested.load()) {
        Left(groups_[g]);
        continue;
      }
      // Nothing may leave a worker thread: a song that could not be saved (no memory) fails alone.
      try {
        Save(groups_[g]);
      } catch (const std::exception& error) {
        End(groups_[g], SongOutcome::kFailed, std::string(), error.what());
      }
    }
  }

  void Left(const SongGroup& group) {
    std::lock_guard<std::mutex> lock(resultLock_);
    summary_.left += group.rows.size();
  }

  void Save(const SongGroup& group) {
    const PlaylistSong& song = songs_[group.rows.front()];
    IndexEntry recorded;
    bool known = false;
    if (!options_.again && !song.url.empty()) {
      std::lock_guard<std::mutex> lock(indexLock_);
      if (const IndexEntry* entry = index_.Find(song.url)) recorded = *entry, known = true;
    }
    const std::string recordedPath = known ? folderPrefix_ + recorded.file : std::string();
    if (known && recorded.whole && transport_.FileExistsNonEmpty(recordedPath)) {
      End(group, SongOutcome::kSkipped, recordedPath, std::string());
      return;
    }
    SongSaveRequest request;
    request.url = song.url;
    request.name = song.name;
    const std::size_t folderLength = PathLength(folderPrefix_, options_.bounds);
    request.targetPath = folderPrefix_ + SafeFileNameUtf8(song.name, folderLength, options_.bounds);
    // Only a ".part" that is still there is continued, and never over a file saved since.
    if (known && !recorded.whole && transport_.FileExistsNonEmpty(recordedPath + std::string(kPartialFileSuffix)) &&
        !transport_.FileExistsNonEmpty(recordedPath)) {
      request.continuePath = recordedPath;
    }
    SongTransfer transfer(transport_, request.continuePath, recorded.validator, folderNames_, folderPrefix_);
    SongFigures figures(progress_);
    const SongSaveState state = SaveSong(request, transfer, figures, &stop_);
    const std::string& target = transfer.target();
    const bool partKept = !target.empty() && transport_.FileExistsNonEmpty(target + std::string(kPartialFileSuffix));
    {
      std::lock_guard<std::mutex> lock(indexLock_);
      if (state == SongSaveState::kReady) {
        index_.Record(song.url, IndexEntry{FileNameOf(target, options_.separator), true, std::string()});
      } else if (partKept && !song.url.empty()) {
        index_.Record(song.url, IndexEntry{FileNameOf(target, options_.separator), false, transfer.outcome().validator});
      } else if (known && !recorded.whole) {
        index_.Forget(song.url);
      }
      indexChanged_ = true;
    }
    if (state == SongSaveState::kReady) {
      progress_.savedBytes.fetch_add(figures.counted());
      progress_.transferred.fetch_add(1);
      End(group, SongOutcome::kReady, target, std::string());
    } else if (stop_.requested.load()) {
      Left(group);
    } else {
      const std::string reason = state == SongSaveState::kCancelled ? "no free file name in the folder"
                                 : !transfer.outcome().reason.empty() ? transfer.outcome().reason
                                                                      : "not a web address";
      End(group, SongOutcome::kFailed, std::string(), reason);
    }
    StoreIndex(false);
  }

  // The first row ends as its song did; the rows sharing its address are skipped with its file.
  void End(const SongGroup& group, SongOutcome outcome, const std::string& path, const std::string& reason) {
    std::lock_guard<std::mutex> lock(resultLock_);
    for (std::size_t i = 0; i < group.rows.size(); ++i) {
      const SongOutcome rowOutcome = i > 0 && outcome == SongOutcome::kReady ? SongOutcome::kSkipped : outcome;
      (rowOutcome == SongOutcome::kReady ? summary_.ready
       : rowOutcome == SongOutcome::kSkipped ? summary_.skipped
                                             : summary_.failed)++;
      events_.SongEnded(SongResult{rowOutcome, songs_[group.rows[i]].name, path, reason});
      progress_.ended.fetch_add(1);
    }
  }

  // Keeps the index when it changed, at most once in kIndexStorePause unless the run ends.
  void StoreIndex(bool last) {
    std::lock_guard<std::mutex> storing(storeLock_);
    std::string text;
    {
      std::lock_guard<std::mutex> lock(indexLock_);
      if (!indexChanged_ || (!last && Clock::now() - lastStore_ < kIndexStorePause)) return;
      indexChanged_ = false;
      text = index_.Text();
    }
    lastStore_ = Clock::now();
    if (!events_.StoreIndex(text)) summary_.indexStored = false;
  }

  const std::vector<PlaylistSong>& songs_;
  SaveIndex& index_;
  ResumableFileTransport& transport_;
  const FolderSaveOptions& options_;
  FolderSaveEvents& events_;
  const TransferStop& stop_;
  FolderSaveProgress& progress_;
  const std::vector<SongGroup> groups_;
  std::string folderPrefix_;
  std::unordered_set<std::string> folderNames_;
  std::atomic<std::size_t> next_{0};
  std::mutex indexLock_;
  bool indexChanged_ = false;
  std::mutex storeLock_;
  Clock::time_point lastStore_ = Clock::now();
  std::mutex resultLock_;
  FolderSaveSummary summary_;
};

}  // namespace

FolderSaveSummary SaveIntoFolder(const std::vector<PlaylistSong>& songs, SaveIndex& index,
                                 ResumableFileTransport& transport, const FolderSaveOptions& options,
                                 FolderSaveEvents& events, const TransferStop& stop, FolderSaveProgress& progress) {
  return FolderRun(songs, index, transport, options, events, stop, progress).Run();
}
