// The window's side of a song's save: the save itself (downloads/song_save.h) knows no window;
// its events are carried out here, on the job's thread, in the song's row. Every write to the
// row is made only while the list is still the one the job started in, so a job of an old list
// never touches a row of a newer one.
#include "shell/download_job.h"

#include <commdlg.h>
#include <objbase.h>

#include <memory>

#include "base/app_state.h"
#include "shell/window_state.h"
#include "base/text_search.h"
#include "base/win_handles.h"
#include "downloads/song_save.h"
#include "net/url_transfer.h"
#include "wingui/progress_fill.h"
#include "shell/song_rows.h"
#include "wingui/song_list.h"

DownloadRequestRecord DownloadRequest;
std::atomic<int> RunningDownloads;
std::atomic<bool> SaveSongsStopped;

void ResetDownloads() {
  RunningDownloads = 0;
  SaveSongsStopped = false;
  DownloadRequest.targetPath.clear();
  DownloadRequest.row = -1;
}

namespace {

// The save dialog belongs to the program's foreground window, or to no window when another
// program is in front.
HWND DialogOwner() {
  HWND foreground = GetForegroundWindow();
  DWORD process = 0;
  GetWindowThreadProcessId(foreground, &process);
  return process == GetCurrentProcessId() ? foreground : nullptr;
}

// The full path the user chose, or "" on cancel.
std::string AskForTargetPath(const std::string& proposal) {
  char file[MAX_PATH] = "";
  if (proposal.size() < sizeof(file)) proposal.copy(file, proposal.size());
  OPENFILENAMEA dialog = {};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = DialogOwner();
  dialog.lpstrFilter = "MP3 (*.mp3)\0*.mp3\0";
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = file;
  dialog.nMaxFile = sizeof(file);
  // No initial folder: the dialog opens where the user last saved.
  dialog.lpstrInitialDir = nullptr;
  dialog.lpstrTitle = "";
  dialog.Flags = 0x8080C;  // explorer style, path must exist, keep the current folder, no read-only box
  if (!GetSaveFileNameA(&dialog)) return std::string();
  return file;
}

class WindowSaveEvents : public SongSaveEvents {
 public:
  WindowSaveEvents(int row, int generation) : row_(row), generation_(generation) {}

  bool failed() const { return failed_; }

  bool StillWanted() override { return generation_ == ListGeneration.load(); }

  void StateChanged(SongSaveState state, const std::string& path) override {
    switch (state) {
      case SongSaveState::kWaiting:
        // The row is this job's until it ends: it shows no button (also when it scrolls out of
        // view and back) unless the user cancels.
        TakeSongRow(SongList, row_, true, generation_);
        SetSongCell(SongList, row_, kColumnState, kStateWaiting, generation_);
        break;
      case SongSaveState::kCancelled:
        // A row that can still have its button goes back to "" and shows it again.
        GiveSongRowBack(SongList, row_, generation_);
        break;
      case SongSaveState::kDownloading:
        SetSongCell(SongList, row_, kColumnState, kStateDownloading, generation_);
        break;
      case SongSaveState::kReady:
        SetSongCell(SongList, row_, kColumnPath, path, generation_);
        SetSongCell(SongList, row_, kColumnState, kStateReady, generation_);
        break;
      case SongSaveState::kFailed:
        failed_ = true;
        SetSongCell(SongList, row_, kColumnState, kStateFailed, generation_);
        break;
    }
  }

  std::string AskTargetPath(const std::string& proposal) override { return AskForTargetPath(proposal); }

  // The State cell's fill follows the transfer, drawn again at most a few times a second.
  void Progress(std::uint64_t received, std::uint64_t announced) override {
    if (gate_.Due(GetTickCount64())) SetSongProgress(SongList, row_, received, announced, generation_);
  }

 private:
  const int row_;
  const int generation_;
  bool failed_ = false;
  ProgressReportGate gate_;
};

// The system's URL download call needs COM on the thread that calls it, and Save Songs' workers
// are threads of the run's own.
class WorkerUrlMonTransport : public FileTransport {
 public:
  TransferOutcome Transfer(const TransferRequest& request) override {
    ScopedComApartment com;
    return transport_.Transfer(request);
  }
  bool FileExistsNonEmpty(const std::string& path) override { return transport_.FileExistsNonEmpty(path); }

 private:
  UrlMonFileTransport transport_;
};

// Save Songs' events: song i is row i, shown as a save of that row shows it.
class BatchRowEvents : public SaveRunEvents {
 public:
  explicit BatchRowEvents(const SaveSongsBatch& batch) {
    rows_.reserve(batch.songs.size());
    for (std::size_t row = 0; row < batch.songs.size(); ++row) rows_.emplace_back(static_cast<int>(row), batch.generation);
    cancelled_.assign(batch.songs.size(), 0);
  }
  void StateChanged(std::size_t song, SongSaveState state) override {
    if (state == SongSaveState::kCancelled) cancelled_[song] = 1;
    rows_[song].StateChanged(state, std::string());
  }
  void Progress(std::size_t song, std::uint64_t received, std::uint64_t announced) override {
    rows_[song].Progress(received, announced);
  }
  // Each song tells the window when it ends, for the taskbar button's count; a song never started
  // (the window closed) only counts itself out.
  void Ended(std::size_t song, SongEnd end, const std::string& path, const std::string&) override {
    const bool failed = end == SongEnd::kFailed && !cancelled_[song];
    if (end == SongEnd::kReady) rows_[song].StateChanged(SongSaveState::kReady, path);
    if (failed) rows_[song].StateChanged(SongSaveState::kFailed, std::string());
    HWND window = MainWindow;  // cleared when the window closes while the song runs
    if (end != SongEnd::kLeft && window != nullptr) PostMessageA(window, kBatchSongEndedMessage, failed ? 1 : 0, 0);
    RunningDownloads.fetch_sub(1);
  }

 private:
  std::vector<WindowSaveEvents> rows_;
  std::vector<char> cancelled_;  // each song's, touched by the thread saving it
};

}  // namespace

DWORD WINAPI SaveSongsJob(void* parameter) {
  const std::unique_ptr<SaveSongsBatch> batch(static_cast<SaveSongsBatch*>(parameter));
  BatchRowEvents events(*batch);
  WorkerUrlMonTransport transport;
  SaveRunOptions options;
  options.jobs = kSongsAtOnce;
  options.startNoMore = &SaveSongsStopped;
  const TransferStop neverStopped;
  RunSave(batch->songs, transport, options, events, nullptr, neverStopped);
  return 0;
}

DWORD WINAPI DownloadJob(void* parameter) {
  auto* request = static_cast<DownloadRequestRecord*>(parameter);
  const int row = request->row.load();
  SongSaveRequest song;
  song.url = request->url;
  song.name = request->name;
  song.targetPath = request->targetPath;
  const int generation = request->generation;
  request->row.store(-1);

  // The starter counted this job in RunningDownloads before the thread began, so the end
  // sequence cannot miss a job that was handed over just before the window closed; the job counts
  // itself out when it ends, whichever way.
  struct CountedOut {
    ~CountedOut() { RunningDownloads.fetch_sub(1); }
  } countedOut;
  WindowSaveEvents events(row, generation);
  // A job of Save Songs tells the window when it ends, for the taskbar button's count.
  struct BatchEnd {
    bool inBatch;
    const WindowSaveEvents& events;
    ~BatchEnd() {
      HWND window = MainWindow;  // cleared when the window closes while the job runs
      if (inBatch && window != nullptr) PostMessageA(window, kBatchSongEndedMessage, events.failed() ? 1 : 0, 0);
    }
  } batchEnd{!IsBlank(song.targetPath), events};
  ScopedComApartment com;
  UrlMonFileTransport transport;
  SaveSong(song, transport, events);
  return 0;
}
