// The commands the main loop carries out for the user: starting a profile read, handing a row
// to a download job, saving every row into a chosen folder, and opening a file or an address with
// the system's default program.
#include "shell/commands.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstddef>
#include <memory>
#include <utility>

#include "shell/profile_reader.h"
#include "base/app_state.h"
#include "base/program_constants.h"
#include "shell/window_state.h"
#include "shell/read_results.h"
#include "base/threads.h"
#include "base/web_address.h"
#include "shell/batch_taskbar.h"
#include "shell/download_job.h"
#include "downloads/download_naming.h"
#include "shell/song_rows.h"
#include "shell/window_callback.h"
#include "wingui/song_list.h"

// The new read's list generation and its count in ProfileReadsRunning are taken here, on the
// loop's thread, before the list is cleared: a read still running from before can then add no
// row to the new list, and the loop never sees the new read as ended before it began.
void StartProfileRead(const std::string& text) {
  int generation = 0;
  {
    std::lock_guard<std::mutex> hold(ReadResultLock);
    generation = ListGeneration.fetch_add(1) + 1;
  }
  ProfileReadsRunning.fetch_add(1);
  ClearSongList(SongList);
  // A row click still pending belongs to the list just cleared.
  ClickedRow = -1;
  ClickedButton = nullptr;
  ShowWindow(SongList, SW_HIDE);
  ShowWindow(LoadingSpinner, SW_SHOW);
  ShowWindow(SidePanelLeft, SW_SHOW);
  ShowWindow(SidePanelRight, SW_SHOW);
  UpdateWindow(MainWindow);
  SetWindowTextA(MainWindow, kProgramTitle);
  auto* request = new ProfileReadRequest{text, generation};
  if (!StartThread(ProfileReader, request)) {
    delete request;
    ProfileReadsRunning.fetch_sub(1);
  }
}

namespace {

// Waits until the last job has taken its copy of the hand-over record. A job takes it before
// any control operation, so the wait cannot block on the jobs; it serves their messages to the
// list meanwhile, so the jobs already started get on with their rows.
void WaitForRequestTaken() {
  while (DownloadRequest.row.load() != -1) {
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    Sleep(0);
  }
}

// What a job is handed: the row's cells as the list held them when the song was started or
// queued, and the list generation of that moment.
struct SongHandOver {
  int row;
  std::string url;
  std::string name;
  std::string targetPath;
  int generation;
};

// Every start waits until the previous job has taken the one hand-over record, so two quick
// starts never lose a download. The caller has counted the job in RunningDownloads, so a close
// right after the hand-over still waits for it. Returns whether its thread started (if not, the
// count is taken back).
bool HandOver(const SongHandOver& song) {
  WaitForRequestTaken();
  DownloadRequest.url = song.url;
  DownloadRequest.name = song.name;
  DownloadRequest.targetPath = song.targetPath;
  DownloadRequest.generation = song.generation;
  DownloadRequest.row.store(song.row);
  if (StartThread(DownloadJob, &DownloadRequest)) return true;
  DownloadRequest.row.store(-1);
  RunningDownloads.fetch_sub(1);
  return false;
}

}  // namespace

void StartDownload(int row, const std::string& targetPath) {
  WaitForRequestTaken();
  RunningDownloads.fetch_add(1);
  HandOver(SongHandOver{row, GetSongCell(SongList, row, kColumnUrl), GetSongCell(SongList, row, kColumnName),
                        targetPath, ListGeneration.load()});
}

void DropWaitingDownloads() { SaveSongsStopped.store(true); }

namespace {

int CALLBACK FolderChooserStart(HWND dialog, UINT message, LPARAM, LPARAM start) {
  if (message == BFFM_INITIALIZED && start != 0 && *reinterpret_cast<const char*>(start) != '\0') {
    SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, start);
  }
  return 0;
}

std::string ChooseFolder(const std::string& start) {
  char display[MAX_PATH] = "";
  BROWSEINFOA browse = {};
  browse.hwndOwner = MainWindow;
  browse.pszDisplayName = display;
  browse.lpszTitle = "";
  browse.ulFlags = BIF_RETURNONLYFSDIRS;
  browse.lpfn = FolderChooserStart;
  browse.lParam = reinterpret_cast<LPARAM>(start.c_str());
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderA(&browse);
  if (chosen == nullptr) return std::string();
  char path[MAX_PATH] = "";
  const BOOL ok = SHGetPathFromIDListA(chosen, path);
  CoTaskMemFree(chosen);
  if (!ok || path[0] == '\0') return std::string();
  std::string folder = path;
  if (folder.back() != '\\') folder += '\\';
  return folder;
}

}  // namespace

void SaveAllSongs() {
  const std::string chosen = ChooseFolder(SaveFolder);
  if (chosen.empty()) return;  // cancelled: SaveFolder keeps its value
  SaveFolder = chosen;
  SaveSongsIntoFolder(SaveFolder);
}

// Every row is queued, whatever its State, and shows "Waiting..." until its turn; a bounded number
// transfer at once. A song queued is saved even if a new read replaces its row, as one already
// transferring is. Titles come from the network: each is made a safe file name before it is
// joined to the folder.
void SaveSongsIntoFolder(const std::string& folder) {
  const int generation = ListGeneration.load();
  std::vector<SongRowCells> rows = TakeEverySongRowWaiting(SongList, generation);
  auto batch = std::make_unique<SaveSongsBatch>();
  batch->generation = generation;
  batch->songs.reserve(rows.size());
  for (SongRowCells& row : rows) {
    std::string target = folder + SafeFileName(row.name, folder.size());
    batch->songs.push_back(RunSong{std::move(row.url), std::move(row.name), std::move(target)});
  }
  // Each song tells the window when it ends; the batch is counted before the first can.
  const int count = static_cast<int>(batch->songs.size());
  BeginBatchOnTaskbar(count);
  RunningDownloads.fetch_add(count);
  if (StartThread(SaveSongsJob, batch.get())) {
    batch.release();  // the job deletes it
    return;
  }
  // No thread for them: the songs end failed, and the taskbar's count with them.
  for (int row = 0; row < count; ++row) {
    SetSongCell(SongList, row, kColumnState, kStateFailed, generation);
    if (MainWindow != nullptr) PostMessageA(MainWindow, kBatchSongEndedMessage, 1, 0);
  }
  RunningDownloads.fetch_sub(count);
}

namespace {

// Hands text to the shell's "open" verb; with fileClass, the shell opens it as a file of that
// class (the program the user chose for it) whatever its extension or content says.
void ShellOpen(const std::string& text, const char* fileClass) {
  SHELLEXECUTEINFOA shell = {};
  shell.cbSize = sizeof(shell);
  shell.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  shell.lpVerb = "open";
  shell.lpFile = text.c_str();
  shell.nShow = SW_SHOWNORMAL;
  if (fileClass != nullptr) {
    shell.fMask |= SEE_MASK_CLASSNAME;
    shell.lpClass = fileClass;
  }
  ShellExecuteExA(&shell);
}

}  // namespace

// A saved song's bytes came from the network: it is opened as an ".mp3" by the program the
// user's associations name for that type, and never started as a program, whatever it holds.
void OpenSavedSong(const std::string& path) {
  if (!path.empty()) ShellOpen(path, kMp3Extension.data());
}

void OpenWebAddress(const std::string& text) {
  if (IsWebAddress(text)) ShellOpen(text, nullptr);
}

// A link's text may come from the user's field or the network: it only ever becomes a web address
// for the shell, never a program to start.
void OpenLink(const std::string& text) { OpenWebAddress(LinkWebAddress(text)); }
