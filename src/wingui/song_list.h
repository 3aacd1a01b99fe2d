// SongList: the four-column list of songs. The control's cells are the only store of a row's
// fields. Every operation takes the list it works on and is one message (or a few) to the
// control, so workers may call them: the window system carries each out on the window's thread.
#pragma once

#include <windows.h>

#include <string>

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
int SongRowCount(HWND list);
int SelectedSongRow(HWND list);  // -1 when none
std::string GetSongCell(HWND list, int row, int column);
// With a generation, the cell is written only while ListGeneration still has that value (tested
// on the window's thread, like AddSongRow). Returns whether it was written.
bool SetSongCell(HWND list, int row, int column, const std::string& text,
                 int generation = kAnyListGeneration);
HWND GetRowButton(HWND list, int row);  // 0 when the row has none
void SetRowButton(HWND list, int row, HWND button);

// The bounds of the row's State cell in the list's client area.
bool StateCellBounds(HWND list, int row, RECT* bounds);

// Destroys every row button, then deletes every row.
void ClearSongList(HWND list);
