// DownloadJob: saves the song of one SongList row as a file, on its own thread.
#pragma once

#include <windows.h>

// Posted to MainWindow when a job of Save Songs (one started with its target path) ends, however it
// ends; wParam is 1 when its song failed.
constexpr UINT kBatchSongEndedMessage = WM_APP + 20;

// Thread procedure; the parameter is the address of DownloadRequest. The job takes its copy of
// the request and sets its row to -1 before anything else.
DWORD WINAPI DownloadJob(void* request);

// Whether a file of that path exists, is not a folder and holds at least one byte.
bool FileExistsNonEmpty(const char* path);
