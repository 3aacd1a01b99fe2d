// Drives the real verdimo.exe from outside, as a user would: starts it in a fresh folder, finds
// its window and controls, reads the song list that lives in the other process, moves the
// pointer and presses keys with real input, answers its dialogs and takes screenshots. Every
// wait here is a poll with a time-out; nothing sleeps a fixed time and then trusts the result.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "base/program_constants.h"
#include "common/test_files.h"
#include "common/wait.h"

// What the command line and the environment tell the tests.
struct E2eSettings {
  std::string verdimo;     // verdimo.exe, as a Windows path
  std::string output;      // folder for screenshots, as a Windows path
  std::string siteRoot;    // the stand-in site's folder (site\ of the checkout)
  std::string requestLog;  // the site's request log, "" when the environment names none
};
E2eSettings& Settings();

// "/work/main/x" -> "Z:\work\main\x"; a path that already names a drive is only given
// backslashes.
std::string WindowsPath(const std::string& path);

// Reads --verdimo=PATH (required), --output=DIR and --site=DIR, and the request log from the
// environment; creates the output folder. On failure says why in *problem.
bool ParseE2eArguments(int argc, char** argv, std::string* problem);

// Asks done() every intervalMs until it holds or timeoutMs has passed; returns its last answer.
inline bool PollUntil(const std::function<bool()>& done, DWORD timeoutMs, DWORD intervalMs = 20) {
  return WaitUntil(done, timeoutMs, intervalMs);
}

// A folder of its own under Z:\tmp, emptied and removed again when it goes out of scope.
struct TempFolder {
  std::string path;  // without a closing backslash
  explicit TempFolder(const std::string& label);
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  std::string File(const std::string& name) const { return path + "\\" + name; }
};

// One run of verdimo.exe. Whatever happens in the test, the process is ended when this goes out
// of scope: first with a close request, then, if it does not end, by force.
struct ProgramRun {
  TempFolder folder{"run"};       // its working folder
  PROCESS_INFORMATION process{};  // handles owned here
  HWND window = nullptr;          // the main window, once found
  char* remote = nullptr;         // scratch memory inside the program's process
  ProgramRun() = default;
  ~ProgramRun();
  ProgramRun(const ProgramRun&) = delete;
  ProgramRun& operator=(const ProgramRun&) = delete;
};

// Starts the program and waits until its main window is visible.
bool StartProgram(ProgramRun* run, std::string* problem);
bool ProgramRunning(const ProgramRun& run);
// Waits for the process to end and gives its exit code.
bool WaitForExit(const ProgramRun& run, DWORD timeoutMs, DWORD* exitCode);
// Posts the close request to the main window.
void RequestClose(const ProgramRun& run);

// Controls by their numbers (base/program_constants.h), as the program creates them.
HWND Control(const ProgramRun& run, int id);
std::string WindowTitle(HWND window);
// The text of a control of the other process (WM_GETTEXT).
std::string ControlText(HWND control);
// A child's rectangle in its parent's client coordinates.
RECT ChildRect(HWND child);
// The centre of a window, in screen coordinates.
POINT CentreOf(HWND window);
bool Visible(HWND window);
// A control is shown and usable.
bool Enabled(HWND window);

// The song list of the other process. Reads that fail (the list gone, the program busy for a
// long time) give -1 rows and empty texts.
struct SongRow {
  std::string name, url, state, path;
};
int SongRowCount(const ProgramRun& run);
std::string SongCell(const ProgramRun& run, int row, int column);
std::vector<SongRow> SongRows(const ProgramRun& run);
// The Name cell of a row, in screen coordinates.
bool NameCellOnScreen(const ProgramRun& run, int row, RECT* screen);
struct ListColumn {
  std::string title;
  int width;
};
std::vector<ListColumn> SongListColumns(const ProgramRun& run);

// Real input: the pointer is moved with SetCursorPos, buttons and keys go through SendInput.
void MovePointer(POINT screen);
void ParkPointer();  // the top left corner of the screen, away from the program's window
void ClickAt(POINT screen);
void DoubleClickAt(POINT screen);
void PressKey(WORD virtualKey, WORD held = 0);  // held: VK_SHIFT for Shift+Tab

// Clicks into the address field, puts the text in and presses Return, as a user does.
bool EnterAddress(ProgramRun& run, const std::string& text, std::string* problem);
// Waits until a read started by EnterAddress has ended: the site answered the page request
// logged after logOffset and the list is back, the spinner gone and Go! usable again.
bool WaitForReadEnd(const ProgramRun& run, const std::string& pageUrl, long long logOffset,
                    DWORD timeoutMs);

// The program's dialogs (class #32770, a window of its process).
HWND WaitForSaveDialog(const ProgramRun& run, DWORD timeoutMs);
HWND WaitForFolderChooser(const ProgramRun& run, DWORD timeoutMs);
// Clicks the button and waits for the folder chooser; a click that brings none within a few
// seconds is given again (under load Wine now and then drops one), which cannot open a second
// chooser: the first keeps the main window disabled.
HWND ClickForFolderChooser(const ProgramRun& run, HWND button);
// Puts the full path into the save dialog's file-name box and confirms.
bool AnswerSaveDialog(HWND dialog, const std::string& path);
// Selects the folder in the folder chooser and confirms.
bool AnswerFolderChooser(const ProgramRun& run, HWND dialog, const std::string& folder);

// The window as it stands on the screen.
struct Screenshot {
  RECT screen{};                     // where it was taken
  int width = 0, height = 0;
  std::vector<unsigned char> rgb;    // rows top to bottom, 3 bytes a pixel
  COLORREF Pixel(int x, int y) const;
};
bool CaptureWindow(HWND window, Screenshot* shot);
bool WritePng(const Screenshot& shot, const std::string& path);

// Files (reading, listing, fresh folders and the site's request log are in common/test_files.h).
bool FileExists(const std::string& path);
long long FileSize(const std::string& path);  // -1 when there is no such file
