// Files and folders for the Windows-side and end-to-end tests, and the stand-in site's files and
// generated bodies.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "common/site_bodies.h"

// A fresh, empty folder under the temp folder, ending in "\".
std::string FreshTempFolder(const char* prefix);
// The whole file, or "" when it cannot be read; *exists tells the two apart.
std::string ReadWholeFile(const std::string& path, bool* exists = nullptr);
// What the file holds from offset on, read while others may still write it; false when it cannot
// be opened.
bool ReadFileFrom(const std::string& path, long long offset, std::string* bytes);
void WriteWholeFile(const std::string& path, const std::string& bytes);
// A program built beside the running test program, e.g. "marker_program.exe".
std::string ProgramNextToThisOne(const char* name);
// The file marker_program.exe leaves when it is started (in the temp folder).
std::string MarkerOfTheProgram();
// The names in a folder (no "." or "..").
std::vector<std::string> FolderEntries(const std::string& folder);
// A fixture file of the stand-in site, e.g. "songs/tone1.mp3"; "" when it cannot be read.
std::string SiteFixture(const std::string& relativePath);
// One of the site's songs, e.g. "tone1.mp3".
std::string FixtureSong(const std::string& file);

// The stand-in site's request log (VERDIMO_REQUEST_LOG, set by tests/wine/env-up): a line per
// request of method, url, status and bytes, separated by tabs. Its Windows path, "" when the
// environment names none.
std::string RequestLogPath();
long long RequestLogSize();
// Whether a complete line for this request was written after offset, with this status (any
// status when status is negative). *after, when given, gets the log offset just after that line.
bool RequestLogged(long long offset, const std::string& method, const std::string& url, int status,
                   long long* after = nullptr);
