// SongList: the four-column list of songs. The control's cells are the only store of a row's
// fields. Every operation is one message (or a few) to the control, so workers may call them:
// the window system carries each out on the window's thread.
#pragma once

#include <windows.h>

#include <string>

#include "acquisition/song_states.h"

// Makes the report-view list with its styles and four columns as a child of parent.
HWND CreateSongList(HWND parent, int id, int x, int y, int width, int height, HFONT font);

// Any generation: the list's operations that do not depend on which list is shown.
constexpr int kAnyListGeneration = -1;

// Adds a row with its Name and URL cells, each set on its own; State and Path start empty and the
// row has no button. Inserts at index (the number of rows the caller has already added). With a generation, the
// row is added only while ListGeneration still has that value; the test and the insertion are
// one message, carried out on the window's thread, so no row of an older read can slip into a
// newer list. Returns whether the row was added.
bool AddSongRow(const std::string& name, const std::string& url, int index,
                int generation = kAnyListGeneration);
int SongRowCount();
int SelectedSongRow();  // -1 when none
std::string GetSongCell(int row, int column);
// With a generation, the cell is written only while ListGeneration still has that value (tested
// on the window's thread, like AddSongRow). Returns whether it was written.
bool SetSongCell(int row, int column, const std::string& text, int generation = kAnyListGeneration);
HWND GetRowButton(int row);  // 0 when the row has none
void SetRowButton(int row, HWND button);

// The bounds of the row's State cell in SongList's client area.
bool StateCellBounds(int row, RECT* bounds);

// Makes the row's "Download" button over its State cell, subclassed by RowButtonProc, and
// records it as the row's button.
HWND CreateRowDownloadButton(int row);

// Destroys a row's button and forgets its RowButtonList record (record last: RowButtonProc
// reads it for every message, including those of the destruction).
void DestroyRowDownloadButton(HWND button);

// Marks a row's button as taken by a download job (or frees it again). A taken button stays
// hidden, whatever the list's upkeep does, until its job gives it back.
void TakeRowButton(HWND button, bool taken);
bool RowButtonTaken(HWND button);

// Destroys every row button, then deletes every row.
void ClearSongList();
