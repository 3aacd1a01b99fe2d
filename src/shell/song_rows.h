// SongRows: what the program keeps about the song list's rows beyond their cells: which list
// generation is shown, the marks a job puts on its row, each row's transfer in progress and how
// often the rows have changed. It subclasses the list; the functions below take the list and are
// its private messages, so workers may call them: the window system carries each out on the
// window's thread, where alone the generation changes.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "wingui/song_states.h"

// Which list is shown: raised on the window's thread each time a read replaces the rows. Shared
// between the main loop and the workers.
extern std::atomic<int> ListGeneration;

// Any generation: the operations that do not depend on which list is shown.
constexpr int kAnyListGeneration = -1;

class SongRows {
 public:
  // Subclasses the list; the object outlives it (the subclass lets go at WM_NCDESTROY).
  void Attach(HWND list);
  void Reset();
  // How many times the rows, their cells (the item parameter included) or the columns and font
  // have changed: while the number stays the same, no row has changed.
  unsigned long Changes() const { return changes_; }
  // Answers the list's NM_CUSTOMDRAW: a row with a transfer in progress gets its fill behind the
  // State text.
  LRESULT CustomDraw(LPARAM customDraw);

 private:
  // A row's transfer as last reported; reports counts them, to move the stripes.
  struct RowProgress {
    unsigned long long received;
    unsigned long long announced;
    unsigned long long reports;
  };
  static LRESULT CALLBACK Proc(HWND list, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Pass(UINT message, WPARAM wParam, LPARAM lParam);
  bool ForgetProgress(int row);
  void RowsShifted(int from, int by);
  void ShowRowButton(int row, unsigned long long field);

  HWND list_ = nullptr;
  WNDPROC listViewProc_ = nullptr;
  // Window thread only, by row: kept in step with the rows as they are inserted and deleted.
  std::map<int, RowProgress> progress_;
  unsigned long changes_ = 0;
};

// The main window's song list's rows.
extern SongRows SongListRows;
// Start-up: generation 0 and nothing kept.
void ResetSongRows();

// Adds a row with its Name and URL cells; State and Path start empty and the row has no button.
// Inserts at index (the number of rows the caller has already added). With a generation, the row
// is added only while ListGeneration still has that value; the test and the insertion are one
// message, so no row of an older read can slip into a newer list. Returns whether it was added.
bool AddSongRow(HWND list, const std::string& name, const std::string& url, int index,
                int generation = kAnyListGeneration);

// A row's Name and URL as a read found them.
struct SongRowCells {
  std::string name;
  std::string url;
};
// Adds rows[first, first + count) at index, index + 1, ... in their order, each as AddSongRow adds
// one, in one message: with a generation, none once a newer list has begun. Returns how many.
int AddSongRows(HWND list, const std::vector<SongRowCells>& rows, std::size_t first, std::size_t count,
                int index, int generation = kAnyListGeneration);
// Window thread only.
unsigned long SongListChanges(HWND list);
// With a generation, the cell is written only while ListGeneration still has that value. A new
// State ends the row's transfer shown; "Downloading..." takes the row's button for good.
bool SetSongCell(HWND list, int row, int column, const std::string& text,
                 int generation = kAnyListGeneration);
// The progress of the transfer of a row in "Downloading...": received bytes of the announced
// length (0: none announced). Kept only while the generation holds, and forgotten when the row's
// State is written again or the row is deleted. The caller decides how often to report.
bool SetSongProgress(HWND list, int row, unsigned long long received, unsigned long long announced,
                     int generation = kAnyListGeneration);

HWND GetRowButton(HWND list, int row);  // 0 when the row has none
void SetRowButton(HWND list, int row, HWND button);
// Makes the row's button over its State cell and records it as the row's: hidden for a row above
// the first one shown and for a taken row. 0 when it cannot be made.
HWND CreateRowDownloadButton(HWND list, int row, HFONT font);

// A job's hold on a row. The mark belongs to the row itself (it moves and goes with the row), not
// to a button: a row's button comes and goes as the row scrolls into and out of view. While a
// row is taken it shows no button. With a generation, only while it holds. Returns whether written.
bool TakeSongRow(HWND list, int row, bool taken, int generation = kAnyListGeneration);
// Gives a taken row back after a cancelled save: State "" and its button shown again. Not for a
// row that has been "Downloading..." nor once the generation has passed. Returns whether it was.
bool GiveSongRowBack(HWND list, int row, int generation = kAnyListGeneration);
// Takes every row at once and puts it in "Waiting..."; gives each row's Name and URL as the list
// holds them. With a generation, nothing (and no row) once a newer list has begun.
std::vector<SongRowCells> TakeEverySongRowWaiting(HWND list, int generation = kAnyListGeneration);
bool SongRowTaken(HWND list, int row);
// Whether the row has shown "Downloading...": from then on it has no button.
bool SongRowLostButton(HWND list, int row);

// Destroys every row button, then deletes every row.
void ClearSongList(HWND list);
