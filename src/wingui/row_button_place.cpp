#include "wingui/row_button_place.h"

namespace {
constexpr int kRowButtonInset = 10;
}  // namespace

RowButtonRect RowButtonRectFor(int cellLeft, int cellTop, int cellRight, int cellBottom) {
  return RowButtonRect{cellLeft + kRowButtonInset, cellTop,
                       cellRight - cellLeft - 2 * kRowButtonInset, cellBottom - cellTop};
}

bool RowButtonNeedsMove(const RowButtonRect& current, int cellLeft, int cellTop, int cellRight,
                        int cellBottom) {
  const RowButtonRect wanted = RowButtonRectFor(cellLeft, cellTop, cellRight, cellBottom);
  return current.x != wanted.x || current.y != wanted.y || current.width != wanted.width ||
         current.height != wanted.height;
}

RowButtonSpan RowButtonSpanFor(int top, int perPage, int count) {
  if (count <= 0) return RowButtonSpan{0, 0};
  const int first = top - kRowButtonMargin < 0 ? 0 : top - kRowButtonMargin;
  const long long end = static_cast<long long>(top) + (perPage > 0 ? perPage : 0) + 1 + kRowButtonMargin;
  const int last = end > count ? count : static_cast<int>(end);
  return RowButtonSpan{first > last ? last : first, last};
}
