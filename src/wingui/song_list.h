// SongList: the four-column list of songs. Each function is one message to the control (or a few
// for one cell), takes the list it works on and keeps nothing: what the program keeps about rows
// beyond their cells belongs to whoever owns the list.
#pragma once

#include <windows.h>

#include <string>

#include "wingui/song_states.h"

// Makes the report-view list with its styles and four columns as a child of parent.
HWND CreateSongList(HWND parent, int id, int x, int y, int width, int height, HFONT font);

// Inserts a row at index with its Name and URL cells, each set on its own so that nothing in a
// title can reach another cell; State and Path start empty, the item parameter 0. Returns the
// row's index, -1 when it was not inserted.
int InsertSongRow(HWND list, const std::string& name, const std::string& url, int index);
int SongRowCount(HWND list);
int SelectedSongRow(HWND list);  // -1 when none
int TopSongRow(HWND list);       // the first row shown
std::string GetSongCell(HWND list, int row, int column);
bool WriteSongCell(HWND list, int row, int column, const std::string& text);
// A row's item parameter; false for a row not there.
bool GetSongRowParam(HWND list, int row, LPARAM* param);
bool SetSongRowParam(HWND list, int row, LPARAM param);
// Makes the row the list's focused one, which its Return key acts on (NM_RETURN).
void FocusSongRow(HWND list, int row);
// The bounds of the row's Name cell in the list's client area.
bool NameCellBounds(HWND list, int row, RECT* bounds);
// The bounds of the row's State cell in the list's client area.
bool StateCellBounds(HWND list, int row, RECT* bounds);
void RedrawStateCell(HWND list, int row);
void DeleteAllSongRows(HWND list);

// While redrawing is on, Wine's list view does its scroll and repaint bookkeeping for every
// insertion, hidden or not, at many times the cost of the insertion itself: a batch goes in with
// redrawing off for this object's life, and the list catches up once. Turning redrawing back on
// may mark a hidden list as visible (the default handling of WM_SETREDRAW sets WS_VISIBLE): a
// hidden list stays hidden.
class SongListRedrawPause {
 public:
  explicit SongListRedrawPause(HWND list);
  ~SongListRedrawPause();
  SongListRedrawPause(const SongListRedrawPause&) = delete;
  SongListRedrawPause& operator=(const SongListRedrawPause&) = delete;

 private:
  HWND list_;
  bool hidden_;
};

// Paints a transfer's fill into a State cell already drawn (custom draw's item post-paint): a bar
// in proportion to received of announced bytes, or moving stripes (one step per report) when no
// length was announced. Only the cell's light pixels take the fill, so the text stays as drawn.
void PaintStateFill(HDC dc, RECT cell, unsigned long long received, unsigned long long announced,
                    unsigned long long reports);
