// The commands the main loop carries out for the user.
#pragma once

#include <string>

// Clears the list, shows the spinner and the side panels and starts a ProfileReader with text.
void StartProfileRead(const std::string& text);
// Hands a row to a new DownloadJob; an empty targetPath makes the job ask for a file name.
void StartDownload(int row, const std::string& targetPath);
// Asks for a folder and starts one job per row into it.
void SaveAllSongs();
// Starts one job per row with a target in folder (which ends in "\\").
void SaveSongsIntoFolder(const std::string& folder);
// Opens a text with the system: a row's file through the shell's "open" verb only, the program's
// own links first as a program, then through the shell.
void OpenWithDefaultProgram(const std::string& text, bool isDownloadedFile);
// Opens a text that came from a page or a server: only an http or https address, and only
// through the shell's "open" verb; anything else is ignored.
void OpenWebAddress(const std::string& text);
