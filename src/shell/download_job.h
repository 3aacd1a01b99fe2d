// DownloadJob: saves the song of one SongList row as a file, on its own thread, shown in the row.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "downloads/save_run.h"

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
// Set when the window closes: Save Songs starts no further song (the running ones end as usual).
extern std::atomic<bool> SaveSongsStopped;

// Puts them back to their start (start-up).
void ResetDownloads();

// The songs of one Save Songs, song i in row i, with the list generation they belong to; each is
// counted in RunningDownloads already. SaveSongsJob takes it over and deletes it.
struct SaveSongsBatch {
  std::vector<RunSong> songs;
  int generation = 0;
};
// Transfers of one Save Songs that run at once; the others wait in "Waiting...". A thread per song
// of a long list is more than the system holds, and the server gains nothing from thousands of
// connections.
constexpr int kSongsAtOnce = 16;

// Thread procedure of Save Songs; the parameter is a new SaveSongsBatch.
DWORD WINAPI SaveSongsJob(void* batch);

// Thread procedure; the parameter is the address of DownloadRequest. The job takes its copy of
// the request and sets its row to -1 before anything else.
DWORD WINAPI DownloadJob(void* request);
