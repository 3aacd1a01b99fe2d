// The "Download" buttons in the rows' State cells: made over a cell, subclassed by RowButtonProc,
// destroyed with their record. Only the rows in view have one (the main loop's upkeep).
#pragma once

#include <windows.h>

// Makes the row's "Download" button over its State cell in the given font, subclassed by
// RowButtonProc, and records it as the row's button; 0 when it cannot be made. It starts hidden
// for a row above the first one shown and for a row a job has taken.
HWND CreateRowDownloadButton(HWND list, int row, HFONT font);

// Destroys a row's button and forgets its RowButtonList record (record last: RowButtonProc
// reads it for every message, including those of the destruction).
void DestroyRowDownloadButton(HWND button);

// Subclass procedure of every RowDownloadButton: notes a left-button release over the button
// (WindowUnderPointer) in ClickedRow and ClickedButton for the main loop.
LRESULT CALLBACK RowButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
