// The commands the main loop carries out for the user.
#pragma once

#include <string>

// Clears the list, shows the spinner and the side panels and starts a ProfileReader with text.
void StartProfileRead(const std::string& text);
// Hands a row to a new DownloadJob; an empty targetPath makes the job ask for a file name.
void StartDownload(int row, const std::string& targetPath);
// Asks for a folder and saves every row into it.
void SaveAllSongs();
// Saves every row with a target in folder (which ends in "\\") on a SaveSongsJob: a bounded
// number transfer at once, the others wait in "Waiting..." (counted in RunningDownloads).
void SaveSongsIntoFolder(const std::string& folder);
// Songs of Save Songs still waiting are not started any more: the window closes.
void DropWaitingDownloads();
// Opens a saved song with the program the user's associations name for ".mp3" files.
void OpenSavedSong(const std::string& path);
// Opens a text that came from a page or a server: only an http or https address, and only
// through the shell's "open" verb; anything else is ignored.
void OpenWebAddress(const std::string& text);
// Opens one of the program's links (HomeLink, SiteLink, the notice's home page): "http://" goes
// in front of a text without a web scheme, then it opens as OpenWebAddress does.
void OpenLink(const std::string& text);
