// The commands the main loop carries out for the user.
#pragma once

#include <string>

// Clears the list, shows the spinner and the side panels and starts a ProfileReader with text.
void StartProfileRead(const std::string& text);
// Hands a row to a new DownloadJob; an empty targetPath makes the job ask for a file name.
void StartDownload(int row, const std::string& targetPath);
// Asks for a folder and saves every row into it.
void SaveAllSongs();
// Queues every row with a target in folder (which ends in "\\"): a bounded number transfer at
// once, the others wait in "Waiting..." (counted in RunningDownloads) until
// StartWaitingDownloads gives them their turn.
void SaveSongsIntoFolder(const std::string& folder);
// Starts waiting songs while fewer than the bound are transferring; the main loop calls it.
void StartWaitingDownloads();
// Forgets the songs still waiting, and their count: the window closes.
void DropWaitingDownloads();
// Opens a text with the system: a row's file through the shell's "open" verb only, the program's
// own links first as a program, then through the shell.
void OpenWithDefaultProgram(const std::string& text, bool isDownloadedFile);
// Opens a text that came from a page or a server: only an http or https address, and only
// through the shell's "open" verb; anything else is ignored.
void OpenWebAddress(const std::string& text);
