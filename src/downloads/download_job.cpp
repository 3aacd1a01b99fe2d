// A job shows its progress only through its row: "Waiting..." while it chooses the target,
// "Downloading..." during the transfer, "Ready!" with the Path when the song is saved,
// "Failed!" when it is not. Every write to the row is made only while the list is still the one
// the job started in, so a job of an old list never touches a row of a newer one.
//
// Jobs run side by side; the target names they write are reserved for them while they run, so
// two jobs never write one file.
#include "downloads/download_job.h"

#include <commdlg.h>
#include <objbase.h>

#include <string>

#include "wingui/song_list.h"
#include "base/text_search.h"
#include "downloads/download_naming.h"
#include "downloads/name_reservations.h"
#include "net/song_address.h"
#include "net/url_transfer.h"
#include "wingui/progress_fill.h"
#include "base/app_state.h"

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
std::string AskForTargetPath(const std::string& name) {
  const std::string proposal = SaveDialogProposal(name);
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

// Claims a name the user chose; waits while another running job writes the same file.
void ReserveChosenPath(const std::string& path) {
  while (!ReserveTargetPath(path)) {
    ReleaseTargetPath(path);
    Sleep(50);
  }
}

}  // namespace

bool FileExistsNonEmpty(const char* path) { return FileSize(path) > 0; }

DWORD WINAPI DownloadJob(void* parameter) {
  auto* request = static_cast<DownloadRequestRecord*>(parameter);
  const int row = request->row.load();
  const std::string url = request->url;
  const std::string name = request->name;
  std::string targetPath = request->targetPath;
  const int generation = request->generation;
  request->row.store(-1);

  // The starter counted this job in RunningDownloads before the thread began, so the end
  // sequence cannot miss a job that was handed over just before the window closed; the job counts
  // itself out when it ends, whichever way.
  struct CountedOut {
    ~CountedOut() { RunningDownloads.fetch_sub(1); }
  } countedOut;
  // A job of Save Songs tells the window when it ends, for the taskbar button's count.
  struct BatchEnd {
    bool inBatch;
    bool failed = false;
    ~BatchEnd() {
      HWND window = MainWindow;  // cleared when the window closes while the job runs
      if (inBatch && window != nullptr) PostMessageA(window, kBatchSongEndedMessage, failed ? 1 : 0, 0);
    }
  } batchEnd{!IsBlank(targetPath)};
  ScopedComApartment com;
  // A new list raises the generation before it replaces the rows; then this job's row is gone.
  // A song of Save Songs was handed over with its address and name and is saved all the same,
  // as one already transferring is; a save dialog is not opened for a row no longer listed.
  if (generation != ListGeneration.load() && IsBlank(targetPath)) return 0;
  // The row is this job's until it ends: it shows no button (also when it scrolls out of view
  // and back) unless the user cancels.
  TakeSongRow(SongList, row, true, generation);
  SetSongCell(SongList, row, kColumnState, kStateWaiting, generation);

  if (IsBlank(targetPath)) {
    targetPath = AskForTargetPath(name);
    if (!targetPath.empty()) {
      targetPath = WithMp3Extension(targetPath);
      ReserveChosenPath(targetPath);
    }
  } else {
    targetPath = ReserveUniqueTargetPath(
        targetPath, [](const std::string& path) { return FileExistsNonEmpty(path.c_str()); });
  }

  if (targetPath.empty()) {
    // Cancelled: a row that can still have its button goes back to "" and shows it again.
    GiveSongRowBack(SongList, row, generation);
  } else {
    SetSongCell(SongList, row, kColumnState, kStateDownloading, generation);
    // The State cell's fill follows the transfer, drawn again at most a few times a second.
    ProgressReportGate gate;
    const auto showProgress = [&](std::uint64_t received, std::uint64_t announced) {
      if (gate.Due(GetTickCount64())) SetSongProgress(SongList, row, received, announced, generation);
    };
    // The address came from the playlist: blanks and high bytes encoded, and only a web address
    // is fetched; any other ends the job failed.
    const std::string address = SongAddressToFetch(url);
    if (!address.empty() && TransferToFile(address, targetPath, showProgress)) {
      SetSongCell(SongList, row, kColumnPath, targetPath, generation);
      SetSongCell(SongList, row, kColumnState, kStateReady, generation);
    } else {
      batchEnd.failed = true;
      SetSongCell(SongList, row, kColumnState, kStateFailed, generation);
    }
    ReleaseTargetPath(targetPath);
  }
  return 0;
}
