// SongList: the four-column list of songs. The control's cells are the only store of a row's
// fields. Every operation takes the list it works on and is one message (or a few) to the
// control, so workers may call them: the window system carries each out on the window's thread.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "wingui/song_states.h"

// Makes the report-view list with its styles and four columns as a child of parent.
HWND CreateSongList(HWND parent, int id, int x, int y, int width, int height, HFONT font);

// Any generation: the list's operations that do not depend on which list is shown.
constexpr int kAnyListGeneration = -1;

// Adds a row with its Name and URL cells, each set on its own; State and Path start empty and the
// row has no button. Inserts at index (the number of rows the caller has already added). With a
// generation, the row is added only while ListGeneration still has that value; the test and the
// insertion are one message, carried out on the window's thread, so no row of an older read can
// slip into a newer list. Returns whether the row was added.
bool AddSongRow(HWND list, const std::string& name, const std::string& url, int index,
                int generation = kAnyListGeneration);

// A row's Name and URL as a read found them.
struct SongRowCells {
  std::string name;
  std::string url;
};
// Adds rows[first, first + count) at index, index + 1, ... in their order, each as AddSongRow adds
// one, in one message: with a generation, none once a newer list has begun (the generation is
// tested once, on the window's thread, where alone it changes). Returns how many were added.
int AddSongRows(HWND list, const std::vector<SongRowCells>& rows, std::size_t first, std::size_t count,
                int index, int generation = kAnyListGeneration);
// How many times the list's rows, their cells (the button field included) or its columns and font
// have changed: while the number stays the same, no row has changed. Window thread only.
unsigned long SongListChanges(HWND list);
int SongRowCount(HWND list);
int SelectedSongRow(HWND list);  // -1 when none
std::string GetSongCell(HWND list, int row, int column);
// With a generation, the cell is written only while ListGeneration still has that value (tested
// on the window's thread, like AddSongRow). Returns whether it was written.
bool SetSongCell(HWND list, int row, int column, const std::string& text,
                 int generation = kAnyListGeneration);
// The progress of the transfer of a row in "Downloading...": received bytes of the announced
// length (0: none announced). Kept on the window's thread, only while the generation holds (like
// SetSongCell), and forgotten when the row's State is written again or the rows are deleted. The
// State cell is drawn again; the caller decides how often to report.
bool SetSongProgress(HWND list, int row, unsigned long long received, unsigned long long announced,
                     int generation = kAnyListGeneration);

// The list's custom draw, for its parent's WM_NOTIFY (NM_CUSTOMDRAW from the list): a row with a
// transfer in progress gets its fill behind the State text, a bar in proportion to the bytes or
// moving stripes when no length was announced. Returns the answer to the notification.
LRESULT DrawSongListProgress(HWND list, LPARAM customDraw);

HWND GetRowButton(HWND list, int row);  // 0 when the row has none
void SetRowButton(HWND list, int row, HWND button);

// A job's hold on a row. The mark belongs to the row itself (it moves and goes with the row), not
// to a button: a row's button comes and goes as the row scrolls into and out of view. While a
// row is taken it shows no button. With a generation, the mark is written only while
// ListGeneration still has that value (tested on the window's thread). Returns whether it was.
bool TakeSongRow(HWND list, int row, bool taken, int generation = kAnyListGeneration);
// Gives a taken row back after a cancelled save: State "" and its button shown again. Not for a
// row that has been "Downloading..." (it has no button any more) nor once the generation has
// passed. Returns whether the row was given back.
bool GiveSongRowBack(HWND list, int row, int generation = kAnyListGeneration);
// Takes every row at once and puts it in "Waiting..."; gives each row's Name and URL as the list
// holds them. With a generation, nothing (and no row) once a newer list has begun.
std::vector<SongRowCells> TakeEverySongRowWaiting(HWND list, int generation = kAnyListGeneration);
bool SongRowTaken(HWND list, int row);
// Whether the row has shown "Downloading...": from then on it has no button.
bool SongRowLostButton(HWND list, int row);

// The bounds of the row's State cell in the list's client area.
bool StateCellBounds(HWND list, int row, RECT* bounds);

// Destroys every row button, then deletes every row.
void ClearSongList(HWND list);
