// The commands the main loop carries out for the user: starting a profile read, handing a row
// to a download job, saving every row into a chosen folder, and opening a file or an address with
// the system's default program.
#include "shell/commands.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include "shell/profile_reader.h"
#include "base/app_state.h"
#include "shell/read_results.h"
#include "base/threads.h"
#include "base/web_address.h"
#include "shell/batch_taskbar.h"
#include "downloads/download_job.h"
#include "downloads/download_naming.h"
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

}  // namespace

// Every start waits until the previous job has taken the one hand-over record, so two quick
// starts never lose a download. The job is counted in RunningDownloads before its thread exists, so a close right after the
// hand-over still waits for it; and it carries the list generation of this moment.
void StartDownload(int row, const std::string& targetPath) {
  WaitForRequestTaken();
  DownloadRequest.url = GetSongCell(SongList, row, kColumnUrl);
  DownloadRequest.name = GetSongCell(SongList, row, kColumnName);
  DownloadRequest.button = GetRowButton(SongList, row);
  DownloadRequest.targetPath = targetPath;
  DownloadRequest.generation = ListGeneration.load();
  RunningDownloads.fetch_add(1);
  DownloadRequest.row.store(row);
  if (!StartThread(DownloadJob, &DownloadRequest)) {
    DownloadRequest.row.store(-1);
    RunningDownloads.fetch_sub(1);
  }
}

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

// Every row is started, whatever its State; each start waits only until its job has taken the
// request, so the whole list transfers side by side. Titles come from the network: each is made
// a safe file name before it is joined to the folder.
void SaveSongsIntoFolder(const std::string& folder) {
  // Each job tells the window when it ends; the batch is counted before the first can.
  BeginBatchOnTaskbar(SongRowCount(SongList));
  for (int row = 0; row < SongRowCount(SongList); ++row) {
    const std::string name = GetSongCell(SongList, row, kColumnName);
    StartDownload(row, folder + SafeFileName(name, folder.size()));
    WaitForRequestTaken();
  }
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
