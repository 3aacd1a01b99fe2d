#include "wingui/song_list.h"

#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "base/app_state.h"
#include "base/win_handles.h"
#include "wingui/progress_fill.h"
#include "wingui/row_buttons.h"

namespace {
// The list view's own procedure, under SongListProc.
WNDPROC ListViewProc;
LRESULT CALLBACK SongListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam);
}  // namespace

HWND CreateSongList(HWND parent, int id, int x, int y, int width, int height, HFONT font) {
  HWND list = CreateWindowExA(
      WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
      WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS |
          LVS_SHAREIMAGELISTS,
      x, y, width, height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
      ModuleInstance, nullptr);
  if (list == nullptr) return nullptr;
  ListViewProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SongListProc)));
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

namespace {

// Private messages of SongList's subclass: an operation that must see the list generation and
// act on the control without another thread's change in between.
constexpr UINT kAddRowsMessage = WM_APP + 1;
constexpr UINT kSetCellMessage = WM_APP + 2;
constexpr UINT kSetProgressMessage = WM_APP + 3;
constexpr UINT kTakeRowMessage = WM_APP + 4;
constexpr UINT kGiveRowBackMessage = WM_APP + 5;
constexpr UINT kTakeEveryRowMessage = WM_APP + 6;

// A row's item parameter holds its button and its marks. Window handles have 32 significant bits
// (64-bit Windows keeps them so for 32-bit programs, and sign-extending one restores it), so the
// marks live above them and move with the row when rows are inserted or deleted.
constexpr unsigned long long kButtonBits = 0xFFFFFFFFull;
constexpr unsigned long long kTakenMark = 1ull << 32;
constexpr unsigned long long kLostButtonMark = 1ull << 33;

HWND ButtonOf(unsigned long long field) {
  return reinterpret_cast<HWND>(static_cast<LONG_PTR>(static_cast<std::int32_t>(field & kButtonBits)));
}

unsigned long long WithButton(unsigned long long field, HWND button) {
  return (field & ~kButtonBits) | (reinterpret_cast<unsigned long long>(button) & kButtonBits);
}

// A row's transfer as last reported; reports counts them, to move the stripes.
struct RowProgress {
  unsigned long long received;
  unsigned long long announced;
  unsigned long long reports;
};

// One report from a transfer, as it travels to the window's thread.
struct ProgressReport {
  int row;
  unsigned long long received;
  unsigned long long announced;
};

// Window thread only: the transfers in progress of every song list, by list and row.
std::map<std::pair<HWND, int>, RowProgress>& ProgressOfRows() {
  static std::map<std::pair<HWND, int>, RowProgress> rows;
  return rows;
}

void ForgetProgress(HWND list) {
  auto& rows = ProgressOfRows();
  rows.erase(rows.lower_bound({list, INT_MIN}), rows.upper_bound({list, INT_MAX}));
}

void RedrawStateCell(HWND list, int row) {
  RECT cell = {};
  cell.top = kColumnState;
  cell.left = LVIR_BOUNDS;
  if (CallWindowProcA(ListViewProc, list, LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&cell))) {
    InvalidateRect(list, &cell, FALSE);
  }
}

struct RowTake {
  int row;
  bool taken;
};

struct CellWrite {
  int row;
  int column;
  const std::string* text;
};

// A new row's two cells from the read. Each travels as its own text, so nothing in a title or an
// address can reach another cell.
struct NewRow {
  const std::string* name;
  const std::string* url;
};

// New rows for consecutive places from index on, as they travel to the window's thread.
struct NewRows {
  const NewRow* rows;
  std::size_t count;
  int index;
  int generation;
};

// Window thread only: per list, how many times its rows, their cells or its look have changed.
std::map<HWND, unsigned long>& ChangesOfLists() {
  static std::map<HWND, unsigned long> changes;
  return changes;
}

// Messages that may change a row, a cell, a row's button field or where the cells lie.
bool ChangesRows(UINT message) {
  switch (message) {
    case kAddRowsMessage:
    case kSetCellMessage:
    case kTakeRowMessage:
    case kGiveRowBackMessage:
    case kTakeEveryRowMessage:
    case LVM_INSERTITEMA:
    case LVM_INSERTITEMW:
    case LVM_DELETEITEM:
    case LVM_DELETEALLITEMS:
    case LVM_SETITEMA:
    case LVM_SETITEMW:
    case LVM_SETITEMTEXTA:
    case LVM_SETITEMTEXTW:
    case LVM_SETCOLUMNA:
    case LVM_SETCOLUMNW:
    case LVM_SETCOLUMNWIDTH:
    case LVM_INSERTCOLUMNA:
    case LVM_INSERTCOLUMNW:
    case LVM_DELETECOLUMN:
    case LVM_SETEXTENDEDLISTVIEWSTYLE:
    case WM_SETFONT:
    case WM_SIZE:
      return true;
    default:
      return false;
  }
}

bool GenerationHolds(int generation) {
  return generation == kAnyListGeneration || generation == ListGeneration.load();
}

void WriteCell(HWND list, int row, int column, const std::string& text) {
  LVITEMA item = {};
  item.iSubItem = column;
  item.pszText = const_cast<char*>(text.c_str());
  CallWindowProcA(ListViewProc, list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
}

// The row's item parameter through the list view's own procedure; false for a row not there.
bool ReadRowField(HWND list, int row, unsigned long long* field) {
  LVITEMA item = {};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  if (!CallWindowProcA(ListViewProc, list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return false;
  *field = static_cast<unsigned long long>(item.lParam);
  return true;
}

void WriteRowField(HWND list, int row, unsigned long long field) {
  LVITEMA item = {};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  item.lParam = static_cast<LPARAM>(field);
  CallWindowProcA(ListViewProc, list, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

void ShowRowButton(HWND list, int row, unsigned long long field) {
  HWND button = ButtonOf(field);
  if (button == nullptr || !IsWindow(button)) return;
  // A row above the first one shown would put its button over the header.
  const bool shown = (field & kTakenMark) == 0 && row >= CallWindowProcA(ListViewProc, list, LVM_GETTOPINDEX, 0, 0);
  ShowWindow(button, shown ? SW_SHOW : SW_HIDE);
}

// State and Path start empty and the row has no button: only the program's own steps write them.
bool InsertRow(HWND list, const NewRow& cells, int index) {
  LVITEMA item = {};
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = index;
  item.pszText = const_cast<char*>(cells.name->c_str());
  const int row = static_cast<int>(
      CallWindowProcA(ListViewProc, list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
  if (row < 0) return false;
  if (!cells.url->empty()) WriteCell(list, row, kColumnUrl, *cells.url);
  return true;
}

// While redrawing is on, Wine's list view does its scroll and repaint bookkeeping for every
// insertion, hidden or not, at many times the cost of the insertion itself; the batch goes in with
// redrawing off and the list catches up once. Turning redrawing back on may mark a hidden list as
// visible (the default handling of WM_SETREDRAW sets WS_VISIBLE): a hidden list stays hidden.
template <typename Change>
void WithRedrawingOff(HWND list, Change change) {
  const bool hidden = (GetWindowLongPtrA(list, GWL_STYLE) & WS_VISIBLE) == 0;
  CallWindowProcA(ListViewProc, list, WM_SETREDRAW, FALSE, 0);
  change();
  CallWindowProcA(ListViewProc, list, WM_SETREDRAW, TRUE, 0);
  const LONG_PTR style = GetWindowLongPtrA(list, GWL_STYLE);
  if (hidden && (style & WS_VISIBLE) != 0) SetWindowLongPtrA(list, GWL_STYLE, style & ~WS_VISIBLE);
}

std::size_t InsertRowsQuietly(HWND list, const NewRows& batch) {
  std::size_t added = 0;
  WithRedrawingOff(list, [&] {
    while (added < batch.count && InsertRow(list, batch.rows[added], batch.index + static_cast<int>(added))) ++added;
  });
  return added;
}

// The control copies at most the buffer's size; grow until the text fits. send is SendMessageA
// from any thread, or the list view's own procedure on the window's thread.
template <typename Send>
std::string ReadCell(int row, int column, Send send) {
  std::vector<char> buffer(512);
  for (;;) {
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = buffer.data();
    item.cchTextMax = static_cast<int>(buffer.size());
    const int copied = static_cast<int>(send(LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
    if (copied < static_cast<int>(buffer.size()) - 1 || buffer.size() >= (1u << 20)) {
      return std::string(buffer.data(), static_cast<size_t>(std::max(copied, 0)));
    }
    buffer.resize(buffer.size() * 4);
  }
}

// Every row taken and in "Waiting...", its Name and URL read out, in one pass with redrawing off:
// message by message, a list of many thousand rows would hold the window for seconds.
void TakeEveryRowWaiting(HWND list, std::vector<SongRowCells>* rows) {
  const int count = static_cast<int>(CallWindowProcA(ListViewProc, list, LVM_GETITEMCOUNT, 0, 0));
  const auto send = [list](UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcA(ListViewProc, list, message, wParam, lParam);
  };
  rows->reserve(static_cast<std::size_t>(count));
  WithRedrawingOff(list, [&] {
    for (int row = 0; row < count; ++row) {
      rows->push_back(SongRowCells{ReadCell(row, kColumnName, send), ReadCell(row, kColumnUrl, send)});
      ProgressOfRows().erase({list, row});
      WriteCell(list, row, kColumnState, kStateWaiting);
      unsigned long long field = 0;
      if (!ReadRowField(list, row, &field)) continue;
      WriteRowField(list, row, field | kTakenMark);
      ShowRowButton(list, row, field | kTakenMark);
    }
  });
  InvalidateRect(list, nullptr, TRUE);
}

LRESULT CALLBACK SongListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
  if (ChangesRows(message)) ++ChangesOfLists()[list];
  if (message == kAddRowsMessage) {
    const auto* batch = reinterpret_cast<const NewRows*>(lParam);
    // Only this thread changes the generation, so it holds for the whole batch once it holds.
    if (!GenerationHolds(batch->generation)) return 0;
    return InsertRowsQuietly(list, *batch);
  }
  if (message == kSetCellMessage) {
    const auto* write = reinterpret_cast<const CellWrite*>(lParam);
    if (!GenerationHolds(static_cast<int>(wParam))) return FALSE;
    // A new State ends whatever transfer the row showed.
    if (write->column == kColumnState && ProgressOfRows().erase({list, write->row}) > 0) {
      RedrawStateCell(list, write->row);
    }
    WriteCell(list, write->row, write->column, *write->text);
    unsigned long long field = 0;
    if (write->column == kColumnState && *write->text == kStateDownloading &&
        ReadRowField(list, write->row, &field)) {
      WriteRowField(list, write->row, field | kLostButtonMark);
    }
    return TRUE;
  }
  if (message == kTakeEveryRowMessage) {
    if (!GenerationHolds(static_cast<int>(wParam))) return FALSE;
    TakeEveryRowWaiting(list, reinterpret_cast<std::vector<SongRowCells>*>(lParam));
    return TRUE;
  }
  if (message == kTakeRowMessage || message == kGiveRowBackMessage) {
    const auto* take = reinterpret_cast<const RowTake*>(lParam);
    unsigned long long field = 0;
    if (!GenerationHolds(static_cast<int>(wParam)) || !ReadRowField(list, take->row, &field)) return FALSE;
    if (message == kGiveRowBackMessage) {
      if ((field & kLostButtonMark) != 0) return FALSE;
      if (ProgressOfRows().erase({list, take->row}) > 0) RedrawStateCell(list, take->row);
      WriteCell(list, take->row, kColumnState, kStateNone);
    }
    field = take->taken ? field | kTakenMark : field & ~kTakenMark;
    WriteRowField(list, take->row, field);
    ShowRowButton(list, take->row, field);
    return TRUE;
  }
  if (message == kSetProgressMessage) {
    const auto* report = reinterpret_cast<const ProgressReport*>(lParam);
    const int row = report->row;
    if (!GenerationHolds(static_cast<int>(wParam)) || row < 0 ||
        row >= CallWindowProcA(ListViewProc, list, LVM_GETITEMCOUNT, 0, 0)) {
      return FALSE;
    }
    auto found = ProgressOfRows().find({list, row});
    const unsigned long long reports = found == ProgressOfRows().end() ? 1 : found->second.reports + 1;
    ProgressOfRows()[{list, row}] = {report->received, report->announced, reports};
    RedrawStateCell(list, row);
    return TRUE;
  }
  if (message == LVM_DELETEALLITEMS || message == WM_NCDESTROY) ForgetProgress(list);
  if (message == WM_NCDESTROY) ChangesOfLists().erase(list);
  return CallWindowProcA(ListViewProc, list, message, wParam, lParam);
}

}  // namespace

bool AddSongRow(HWND list, const std::string& name, const std::string& url, int index, int generation) {
  if (list == nullptr || index < 0) return false;
  const NewRow cells = {&name, &url};
  const NewRows batch = {&cells, 1, index, generation};
  return SendMessageA(list, kAddRowsMessage, 0, reinterpret_cast<LPARAM>(&batch)) == 1;
}

int AddSongRows(HWND list, const std::vector<SongRowCells>& rows, std::size_t first, std::size_t count,
                int index, int generation) {
  if (list == nullptr || index < 0 || first >= rows.size() || count == 0) return 0;
  count = std::min(count, rows.size() - first);
  std::vector<NewRow> cells;
  cells.reserve(count);
  for (std::size_t i = first; i < first + count; ++i) cells.push_back(NewRow{&rows[i].name, &rows[i].url});
  const NewRows batch = {cells.data(), cells.size(), index, generation};
  return static_cast<int>(SendMessageA(list, kAddRowsMessage, 0, reinterpret_cast<LPARAM>(&batch)));
}

unsigned long SongListChanges(HWND list) {
  const auto found = ChangesOfLists().find(list);
  return found == ChangesOfLists().end() ? 0 : found->second;
}

int SongRowCount(HWND list) {
  return list ? static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)) : 0;
}

int SelectedSongRow(HWND list) {
  if (list == nullptr) return -1;
  return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

std::string GetSongCell(HWND list, int row, int column) {
  if (list == nullptr || row < 0) return std::string();
  return ReadCell(row, column, [list](UINT message, WPARAM wParam, LPARAM lParam) {
    return SendMessageA(list, message, wParam, lParam);
  });
}

bool SetSongCell(HWND list, int row, int column, const std::string& text, int generation) {
  if (list == nullptr || row < 0) return false;
  const CellWrite write = {row, column, &text};
  return SendMessageA(list, kSetCellMessage, static_cast<WPARAM>(generation),
                      reinterpret_cast<LPARAM>(&write)) != 0;
}

bool SetSongProgress(HWND list, int row, unsigned long long received, unsigned long long announced,
                     int generation) {
  if (list == nullptr || row < 0) return false;
  const ProgressReport report = {row, received, announced};
  return SendMessageA(list, kSetProgressMessage, static_cast<WPARAM>(generation),
                      reinterpret_cast<LPARAM>(&report)) != 0;
}

namespace {

constexpr COLORREF kFillColour = RGB(150, 215, 150);
constexpr int kStripePeriod = 8;

// Paints the fill over the drawn cell so that only its light pixels take the fill's colour: the
// pattern is combined with what is there (pattern AND destination), so the text stays as drawn.
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

LRESULT DrawSongListProgress(HWND list, LPARAM customDraw) {
  auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(customDraw);
  switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
      return ProgressOfRows().empty() ? CDRF_DODEFAULT : CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
      const int row = static_cast<int>(draw->nmcd.dwItemSpec);
      return ProgressOfRows().count({list, row}) > 0 ? CDRF_NOTIFYPOSTPAINT : CDRF_DODEFAULT;
    }
    case CDDS_ITEMPOSTPAINT: {
      const int row = static_cast<int>(draw->nmcd.dwItemSpec);
      const auto found = ProgressOfRows().find({list, row});
      RECT cell;
      if (found == ProgressOfRows().end() || !StateCellBounds(list, row, &cell)) return CDRF_DODEFAULT;
      // Inside the grid lines.
      InflateRect(&cell, -1, -1);
      const RowProgress& progress = found->second;
      const int width = ProgressFillWidth(progress.received, progress.announced, cell.right - cell.left);
      if (width == kFillOfUnknownLength) {
        UniqueBrush stripes(CreateHatchBrush(HS_BDIAGONAL, kFillColour));
        if (stripes) PaintFill(draw->nmcd.hdc, cell, stripes.get(), StripeOffset(progress.reports, kStripePeriod));
      } else {
        UniqueBrush solid(CreateSolidBrush(kFillColour));
        RECT bar = cell;
        bar.right = bar.left + width;
        if (solid) PaintFill(draw->nmcd.hdc, bar, solid.get(), 0);
      }
      return CDRF_DODEFAULT;
    }
    default:
      return CDRF_DODEFAULT;
  }
}

namespace {

unsigned long long RowField(HWND list, int row) {
  if (list == nullptr || row < 0) return 0;
  LVITEMA item = {};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  if (!SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return 0;
  return static_cast<unsigned long long>(item.lParam);
}

}  // namespace

HWND GetRowButton(HWND list, int row) { return ButtonOf(RowField(list, row)); }

void SetRowButton(HWND list, int row, HWND button) {
  if (list == nullptr || row < 0) return;
  LVITEMA item = {};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  item.lParam = static_cast<LPARAM>(WithButton(RowField(list, row), button));
  SendMessageA(list, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

bool TakeSongRow(HWND list, int row, bool taken, int generation) {
  if (list == nullptr || row < 0) return false;
  const RowTake take = {row, taken};
  return SendMessageA(list, kTakeRowMessage, static_cast<WPARAM>(generation), reinterpret_cast<LPARAM>(&take)) != 0;
}

bool GiveSongRowBack(HWND list, int row, int generation) {
  if (list == nullptr || row < 0) return false;
  const RowTake take = {row, false};
  return SendMessageA(list, kGiveRowBackMessage, static_cast<WPARAM>(generation), reinterpret_cast<LPARAM>(&take)) != 0;
}

std::vector<SongRowCells> TakeEverySongRowWaiting(HWND list, int generation) {
  std::vector<SongRowCells> rows;
  if (list != nullptr) {
    SendMessageA(list, kTakeEveryRowMessage, static_cast<WPARAM>(generation), reinterpret_cast<LPARAM>(&rows));
  }
  return rows;
}

bool SongRowTaken(HWND list, int row) { return (RowField(list, row) & kTakenMark) != 0; }

bool SongRowLostButton(HWND list, int row) { return (RowField(list, row) & kLostButtonMark) != 0; }

bool StateCellBounds(HWND list, int row, RECT* bounds) {
  *bounds = RECT{};
  bounds->top = kColumnState;
  bounds->left = LVIR_BOUNDS;
  return list != nullptr &&
         SendMessageA(list, LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(bounds)) != 0;
}

void ClearSongList(HWND list) {
  if (list == nullptr) return;
  // Only the rows in view have buttons, so the buttons are found by their records, not row by
  // row. Every row goes right after, its button field with it.
  std::vector<HWND> buttons;
  for (const RowButtonRecord* record : RowButtonList) {
    if (GetParent(record->button) == list) buttons.push_back(record->button);
  }
  for (HWND button : buttons) DestroyRowDownloadButton(button);
  if (SongRowCount(list) > 0) SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
}
