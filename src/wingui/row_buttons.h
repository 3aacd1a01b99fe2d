// The "Download" buttons in the rows' State cells: made over a cell, subclassed by RowButtonProc,
// destroyed with their record. Only the rows in view have one (the main loop's upkeep).
#pragma once

#include <windows.h>

#include <vector>

// One record per row button: the button's previous window procedure, its row and the button.
struct RowButtonRecord {
  WNDPROC previousProc;
  int row;
  HWND button;
};

// Main thread only: the records of every row button there is.
extern std::vector<RowButtonRecord*> RowButtonList;

// Sent to the button's top-level window when the left mouse button is released on a row button:
// wParam is the row, lParam the button. Whether the release was over the button is the
// receiver's to judge, as it is the one that follows the pointer.
constexpr UINT kRowButtonReleasedMessage = WM_APP + 21;

// Makes a "Download" button for the row over its State cell (cell, in the list's client area) in
// the given font, subclassed by RowButtonProc and recorded; 0 when it cannot be made.
HWND CreateRowButton(HWND list, int row, const RECT& cell, bool shown, HFONT font);

// Destroys a row's button and forgets its RowButtonList record (record last: RowButtonProc
// reads it for every message, including those of the destruction).
void DestroyRowDownloadButton(HWND button);
// Destroys every row button of the list.
void DestroyRowButtonsOf(HWND list);
// Forgets every record, once the buttons have gone with their window.
void ForgetRowButtons();

// Subclass procedure of every row button: tells its top-level window of a left-button release
// with kRowButtonReleasedMessage.
LRESULT CALLBACK RowButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
