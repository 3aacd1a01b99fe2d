// A run saves each song (or, sharing addresses, each distinct address) once, on a few worker
// threads that take the next song as they come free. Only the counters and the summary are shared
// between them, under one lock.
#include "downloads/save_run.h"

#include <algorithm>
#include <exception>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <unordered_set>

namespace {

// The rows saved as one: the first is saved, the others share its file.
using SongGroup = std::vector<std::size_t>;

std::vector<SongGroup> GroupsOf(const std::vector<RunSong>& songs, bool shareAddresses) {
  std::vector<SongGroup> groups;
  groups.reserve(songs.size());
  std::unordered_map<std::string, std::size_t> byAddress;
  for (std::size_t row = 0; row < songs.size(); ++row) {
    // Rows without an address share nothing: each fails on its own.
    const std::string& url = songs[row].url;
    if (shareAddresses && !url.empty()) {
      const auto [at, added] = byAddress.try_emplace(url, groups.size());
      if (!added) {
        groups[at->second].push_back(row);
        continue;
      }
    }
    groups.push_back(SongGroup{row});
  }
  return groups;
}

// One song's SongSaveEvents: its states and figures go to the run's events under its index.
class SongEvents : public SongSaveEvents {
 public:
  SongEvents(SaveRunEvents& events, std::size_t song, const std::function<void(const std::string&)>& writing)
      : events_(events), song_(song), writing_(writing) {}
  bool StillWanted() override { return true; }
  void StateChanged(SongSaveState state, const std::string& path) override {
    if (state == SongSaveState::kDownloading) writing_(path);
    if (state == SongSaveState::kWaiting || state == SongSaveState::kDownloading || state == SongSaveState::kCancelled) {
      events_.StateChanged(song_, state);
    }
  }
  std::string AskTargetPath(const std::string&) override { return std::string(); }
  void Progress(std::uint64_t received, std::uint64_t announced) override { events_.Progress(song_, received, announced); }

 private:
  SaveRunEvents& events_;
  const std::size_t song_;
  const std::function<void(const std::string&)>& writing_;
};

class Run {
 public:
  Run(const std::vector<RunSong>& songs, FileTransport& transport, const SaveRunOptions& options, SaveRunEvents& events,
      SaveRecord* record, const TransferStop& stop)
      : songs_(songs), transport_(transport), options_(options), events_(events), record_(record), stop_(stop),
        groups_(GroupsOf(songs, options.shareAddresses)) {}

  SaveRunSummary Go() {
    const std::size_t workers = std::min<std::size_t>(groups_.size(), static_cast<std::size_t>(std::max(options_.jobs, 1)));
    std::vector<std::thread> threads;
    for (std::size_t i = 1; i < workers; ++i) threads.emplace_back([this] { Work(); });
    Work();
    for (std::thread& thread : threads) thread.join();
    summary_.recordFailed = recordFailed_.load();
    return summary_;
  }

 private:
  bool MayStart() const {
    return !stop_.requested.load() && !recordFailed_.load() &&
           (options_.startNoMore == nullptr || !options_.startNoMore->load());
  }

  void Work() {
    for (std::size_t g = next_.fetch_add(1); g < groups_.size(); g = next_.fetch_add(1)) {
      if (!MayStart()) {
        End(groups_[g], SongEnd::kLeft, std::string(), std::string());
        continue;
      }
      // Nothing may leave a worker thread: a song that could not be saved (no memory) fails alone.
      try {
        Save(groups_[g]);
      } catch (const std::exception& error) {
        End(groups_[g], SongEnd::kFailed, std::string(), error.what());
      }
    }
  }

  // Within a run whose names are checked against a list of the folder (taken), the names the run
  // itself used count too, so a later song never takes a name an earlier one wrote.
  bool Taken(const std::string& path) {
    {
      std::lock_guard<std::mutex> hold(lock_);
      if (used_.count(FoldedName(path, options_.fold)) > 0) return true;
    }
    return options_.taken(path);
  }

  void Save(const SongGroup& group) {
    const RunSong& song = songs_[group.front()];
    const SongPlan plan = record_ != nullptr ? record_->Plan(song) : SongPlan();
    if (plan.kind == SongPlan::Kind::kSkip) {
      End(group, SongEnd::kSkipped, plan.path, std::string());
      return;
    }
    if (plan.kind == SongPlan::Kind::kFinish && options_.finish) {
      Finish(group, plan.path, plan.fromPart);
      return;
    }
    std::string path;
    const std::function<void(const std::string&)> writing = [this, &path](const std::string& chosen) {
      path = chosen;
      if (!options_.taken) return;
      std::lock_guard<std::mutex> hold(lock_);
      used_.insert(FoldedName(chosen, options_.fold));
    };
    SongSaveRequest request;
    request.url = song.url;
    request.name = song.name;
    request.targetPath = song.targetBase;
    if (plan.kind == SongPlan::Kind::kContinue) {
      request.continuePath = plan.path;
      request.resume = plan.resume;
    }
    request.keepPartOnFailure = options_.keepParts;
    request.keepWholePart = options_.finishWholePart && options_.finish;
    request.fold = options_.fold;
    if (options_.taken) {
      request.taken = [this](const std::string& name) { return Taken(name); };
      // The names this run takes only grow, so each base's search goes on where its last ended.
      std::lock_guard<std::mutex> hold(lock_);
      request.nameCounter = &nextCounters_[FoldedName(song.targetBase, options_.fold)];
    }
    if (record_ != nullptr) {
      request.accepted = [this, &song, &path](const AcceptedAnswer& answer) { return record_->Accepted(song, path, answer); };
    }
    SongEvents songEvents(events_, group.front(), writing);
    const SongSaveResult result = SaveSong(request, transport_, songEvents, &stop_);
    const TransferOutcome& outcome = result.outcome;
    if (record_ != nullptr && result.state != SongSaveState::kCancelled &&
        !record_->Ended(song, result.path, outcome, !outcome.whole && outcome.bytesKept > 0)) {
      recordFailed_ = true;
    }
    if (result.state == SongSaveState::kReady && outcome.inPart) {
      Finish(group, result.path, true);
    } else if (result.state == SongSaveState::kReady) {
      End(group, SongEnd::kReady, result.path, std::string());
    } else if (outcome.failure == TransferFailure::kStopped) {
      End(group, SongEnd::kLeft, std::string(), std::string());
    } else if (result.state == SongSaveState::kCancelled) {
      End(group, SongEnd::kFailed, std::string(), "no free file name in the folder");
    } else {
      End(group, SongEnd::kFailed, std::string(), outcome.reason);
    }
  }

  void Finish(const SongGroup& group, const std::string& path, bool fromPart) {
    const SongFinish finished = options_.finish(group.front(), path, fromPart);
    if (finished.done && record_ != nullptr && !record_->Finished(songs_[group.front()], path)) recordFailed_ = true;
    End(group, finished.done ? SongEnd::kReady : SongEnd::kFailed, finished.done ? path : std::string(), finished.words);
  }

  // The first row ends as its song did; the rows sharing its address are skipped with its file.
  void End(const SongGroup& group, SongEnd end, const std::string& path, const std::string& reason) {
    for (std::size_t i = 0; i < group.size(); ++i) {
      const SongEnd rowEnd = i > 0 && end == SongEnd::kReady ? SongEnd::kSkipped : end;
      {
        std::lock_guard<std::mutex> hold(lock_);
        (rowEnd == SongEnd::kReady     ? summary_.ready
         : rowEnd == SongEnd::kSkipped ? summary_.skipped
         : rowEnd == SongEnd::kLeft    ? summary_.left
                                       : summary_.failed)++;
      }
      events_.Ended(group[i], rowEnd, path, reason);
    }
  }

  const std::vector<RunSong>& songs_;
  FileTransport& transport_;
  const SaveRunOptions& options_;
  SaveRunEvents& events_;
  SaveRecord* const record_;
  const TransferStop& stop_;
  const std::vector<SongGroup> groups_;
  std::atomic<std::size_t> next_{0};
  std::atomic<bool> recordFailed_{false};
  std::mutex lock_;
  std::unordered_set<std::string> used_;
  // Each base's next name counter; read and written under the name reservations' lock (the
  // elements stay where they are as others are added).
  std::unordered_map<std::string, int> nextCounters_;
  SaveRunSummary summary_;
};

}  // namespace

SaveRunSummary RunSave(const std::vector<RunSong>& songs, FileTransport& transport, const SaveRunOptions& options,
                       SaveRunEvents& events, SaveRecord* record, const TransferStop& stop) {
  return Run(songs, transport, options, events, record, stop).Go();
}
