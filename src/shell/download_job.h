// DownloadJob: saves the song of one SongList row as a file, on its own thread, shown in the row.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

// Posted to MainWindow when a job of Save Songs (one started with its target path) ends, however it
// ends; wParam is 1 when its song failed.
constexpr UINT kBatchSongEndedMessage = WM_APP + 20;

// The hand-over between the main loop and a new DownloadJob. The starter writes the row's URL
// and Name as the list holds them, targetPath and the list generation the request belongs
// to, then row (release); the job copies them and sets row to -1 before anything else. The cells
// are read on the window's thread at the start, so a window closed right after the hand-over
// cannot leave a job without its song; and a new list made between the start and the job's first
// step is never taken for the job's own.
struct DownloadRequestRecord {
  std::atomic<int> row{-1};
  std::string url;
  std::string name;
  std::string targetPath;
  int generation = 0;
};
extern DownloadRequestRecord DownloadRequest;
// Jobs started and not yet ended (and songs of Save Songs waiting for their turn); the end
// sequence waits for it to reach 0.
extern std::atomic<int> RunningDownloads;

// Puts both back to their start (start-up).
void ResetDownloads();

// Thread procedure; the parameter is the address of DownloadRequest. The job takes its copy of
// the request and sets its row to -1 before anything else.
DWORD WINAPI DownloadJob(void* request);
