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
