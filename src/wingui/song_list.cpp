#include "wingui/song_list.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "base/app_state.h"
#include "base/win_handles.h"
#include "wingui/progress_fill.h"

HWND CreateSongList(HWND parent, int id, int x, int y, int width, int height, HFONT font) {
  HWND list = CreateWindowExA(
      WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
      WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS |
          LVS_SHAREIMAGELISTS,
      x, y, width, height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
      ModuleInstance, nullptr);
  if (list == nullptr) return nullptr;
  SendMessageA(list, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
  struct Column {
    const char* title;
    int width;
  } const columns[] = {{"Name", 120}, {"URL", 180}, {"State", 88}, {"Path", 200}};
  for (int i = 0; i < 4; ++i) {
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<char*>(columns[i].title);
    column.cx = columns[i].width;
    column.iSubItem = i;
    SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
  }
  return list;
}

int InsertSongRow(HWND list, const std::string& name, const std::string& url, int index) {
  if (list == nullptr || index < 0) return -1;
  LVITEMA item = {};
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = index;
  item.pszText = const_cast<char*>(name.c_str());
  const int row = static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
  if (row < 0) return -1;
  if (!url.empty()) WriteSongCell(list, row, kColumnUrl, url);
  return row;
}

int SongRowCount(HWND list) {
  return list ? static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)) : 0;
}

int SelectedSongRow(HWND list) {
  if (list == nullptr) return -1;
  return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

int TopSongRow(HWND list) { return list ? static_cast<int>(SendMessageA(list, LVM_GETTOPINDEX, 0, 0)) : 0; }

// The control copies at most the buffer's size; grow until the text fits.
std::string GetSongCell(HWND list, int row, int column) {
  if (list == nullptr || row < 0) return std::string();
  std::vector<char> buffer(512);
  for (;;) {
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = buffer.data();
    item.cchTextMax = static_cast<int>(buffer.size());
    const int copied = static_cast<int>(
        SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
    if (copied < static_cast<int>(buffer.size()) - 1 || buffer.size() >= (1u << 20)) {
      return std::string(buffer.data(), static_cast<size_t>(std::max(copied, 0)));
    }
    buffer.resize(buffer.size() * 4);
  }
}

bool WriteSongCell(HWND list, int row, int column, const std::string& text) {
  if (list == nullptr || row < 0) return false;
  LVITEMA item = {};
  item.iSubItem = column;
  item.pszText = const_cast<char*>(text.c_str());
  return SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item)) != 0;
}

bool GetSongRowParam(HWND list, int row, LPARAM* param) {
  if (list == nullptr || row < 0) return false;
  LVITEMA item = {};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  if (!SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return false;
  *param = item.lParam;
  return true;
}

bool SetSongRowParam(HWND list, int row, LPARAM param) {
  if (list == nullptr || row < 0) return false;
  LVITEMA item = {};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  item.lParam = param;
  return SendMessageA(list, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item)) != 0;
}

void FocusSongRow(HWND list, int row) {
  LVITEMA item = {};
  item.stateMask = LVIS_FOCUSED;
  item.state = LVIS_FOCUSED;
  if (list != nullptr && row >= 0) SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

bool NameCellBounds(HWND list, int row, RECT* bounds) {
  *bounds = RECT{};
  bounds->left = LVIR_LABEL;
  return list != nullptr && SendMessageA(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(bounds)) != 0;
}

bool StateCellBounds(HWND list, int row, RECT* bounds) {
  *bounds = RECT{};
  bounds->top = kColumnState;
  bounds->left = LVIR_BOUNDS;
  return list != nullptr &&
         SendMessageA(list, LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(bounds)) != 0;
}

void RedrawStateCell(HWND list, int row) {
  RECT cell;
  if (StateCellBounds(list, row, &cell)) InvalidateRect(list, &cell, FALSE);
}

void DeleteAllSongRows(HWND list) {
  if (list != nullptr) SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
}

SongListRedrawPause::SongListRedrawPause(HWND list)
    : list_(list), hidden_((GetWindowLongPtrA(list, GWL_STYLE) & WS_VISIBLE) == 0) {
  SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
}

SongListRedrawPause::~SongListRedrawPause() {
  SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
  const LONG_PTR style = GetWindowLongPtrA(list_, GWL_STYLE);
  if (hidden_ && (style & WS_VISIBLE) != 0) SetWindowLongPtrA(list_, GWL_STYLE, style & ~WS_VISIBLE);
}

namespace {

constexpr COLORREF kFillColour = RGB(150, 215, 150);
constexpr int kStripePeriod = 8;

// The pattern is combined with what is there (pattern AND destination), so the text stays as drawn.
void PaintFill(HDC dc, const RECT& area, HBRUSH brush, int offset) {
  if (area.right <= area.left || area.bottom <= area.top) return;
  POINT previousOrigin;
  SetBrushOrgEx(dc, area.left + offset, area.top, &previousOrigin);
  ScopedSelectObject selected(dc, brush);
  const COLORREF previousBack = SetBkColor(dc, RGB(255, 255, 255));
  const int previousMode = SetBkMode(dc, OPAQUE);
  constexpr DWORD kPatternAndDestination = 0x00A000C9;
  PatBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, kPatternAndDestination);
  SetBkMode(dc, previousMode);
  SetBkColor(dc, previousBack);
  SetBrushOrgEx(dc, previousOrigin.x, previousOrigin.y, nullptr);
}

}  // namespace

void PaintStateFill(HDC dc, RECT cell, unsigned long long received, unsigned long long announced,
                    unsigned long long reports) {
  // Inside the grid lines.
  InflateRect(&cell, -1, -1);
  const int width = ProgressFillWidth(received, announced, cell.right - cell.left);
  if (width == kFillOfUnknownLength) {
    UniqueBrush stripes(CreateHatchBrush(HS_BDIAGONAL, kFillColour));
    if (stripes) PaintFill(dc, cell, stripes.get(), StripeOffset(reports, kStripePeriod));
  } else {
    UniqueBrush solid(CreateSolidBrush(kFillColour));
    RECT bar = cell;
    bar.right = bar.left + width;
    if (solid) PaintFill(dc, bar, solid.get(), 0);
  }
}
