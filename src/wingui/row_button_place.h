// Where a row's "Download" button stands: over the row's State cell, 10 pixels in from either
// side, the cell's full height. Portable, so the rule is tested natively.
#pragma once

struct RowButtonRect {
  int x;
  int y;
  int width;
  int height;
};

RowButtonRect RowButtonRectFor(int cellLeft, int cellTop, int cellRight, int cellBottom);

// Whether a button at current must be moved or sized to fit the cell.
bool RowButtonNeedsMove(const RowButtonRect& current, int cellLeft, int cellTop, int cellRight,
                        int cellBottom);

// The rows that have buttons: those shown from the first one shown (top), perPage of them and the
// one partly shown below, and kRowButtonMargin more on either side, so that a short scroll finds
// its buttons made. Rows [first, end) of count.
constexpr int kRowButtonMargin = 5;
struct RowButtonSpan {
  int first;
  int end;
  bool Holds(int row) const { return row >= first && row < end; }
};
RowButtonSpan RowButtonSpanFor(int top, int perPage, int count);
