#include "shell/song_rows.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdint>

#include "wingui/row_buttons.h"
#include "wingui/song_list.h"

std::atomic<int> ListGeneration;
SongRows SongListRows;

void ResetSongRows() {
  ListGeneration = 0;
  SongListRows.Reset();
}

namespace {

// Private messages of the subclass: an operation that must see the list generation and act on
// the list without another thread's change in between.
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

bool ReadRowField(HWND list, int row, unsigned long long* field) {
  LPARAM param = 0;
  if (!GetSongRowParam(list, row, &param)) return false;
  *field = static_cast<unsigned long long>(param);
  return true;
}

void WriteRowField(HWND list, int row, unsigned long long field) {
  SetSongRowParam(list, row, static_cast<LPARAM>(field));
}

unsigned long long RowField(HWND list, int row) {
  unsigned long long field = 0;
  return ReadRowField(list, row, &field) ? field : 0;
}

// One report from a transfer, as it travels to the window's thread.
struct ProgressReport {
  int row;
  unsigned long long received;
  unsigned long long announced;
};

struct RowTake {
  int row;
  bool taken;
};

struct CellWrite {
  int row;
  int column;
  const std::string* text;
};

// New rows for consecutive places from index on, as they travel to the window's thread.
struct NewRows {
  const SongRowCells* rows;
  std::size_t count;
  int index;
  int generation;
};

// Messages that may change a row, a cell, a row's item parameter or where the cells lie.
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

SongRows* RowsOf(HWND list) {
  return list ? reinterpret_cast<SongRows*>(GetWindowLongPtrA(list, GWLP_USERDATA)) : nullptr;
}

}  // namespace

void SongRows::Attach(HWND list) {
  if (list == nullptr) return;
  list_ = list;
  progress_.clear();
  changes_ = 0;
  // The object is in place before the subclass can see a message.
  SetWindowLongPtrA(list, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  listViewProc_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SongRows::Proc)));
}

void SongRows::Reset() {
  progress_.clear();
  changes_ = 0;
}

LRESULT CALLBACK SongRows::Proc(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
  SongRows* rows = RowsOf(list);
  if (rows == nullptr || rows->list_ != list || rows->listViewProc_ == nullptr) {
    return DefWindowProcA(list, message, wParam, lParam);
  }
  return rows->Handle(message, wParam, lParam);
}

LRESULT SongRows::Pass(UINT message, WPARAM wParam, LPARAM lParam) {
  return CallWindowProcA(listViewProc_, list_, message, wParam, lParam);
}

bool SongRows::ForgetProgress(int row) { return progress_.erase(row) > 0; }

void SongRows::RowsShifted(int from, int by) {
  std::map<int, RowProgress> shifted;
  for (const auto& kept : progress_) {
    shifted.emplace(kept.first >= from ? kept.first + by : kept.first, kept.second);
  }
  progress_.swap(shifted);
}

void SongRows::ShowRowButton(int row, unsigned long long field) {
  HWND button = ButtonOf(field);
  if (button == nullptr || !IsWindow(button)) return;
  // A row above the first one shown would put its button over the header.
  const bool shown = (field & kTakenMark) == 0 && row >= TopSongRow(list_);
  ShowWindow(button, shown ? SW_SHOW : SW_HIDE);
}

LRESULT SongRows::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  if (ChangesRows(message)) ++changes_;
  switch (message) {
    case kAddRowsMessage: {
      const auto* batch = reinterpret_cast<const NewRows*>(lParam);
      // Only this thread changes the generation, so it holds for the whole batch once it holds.
      if (!GenerationHolds(batch->generation)) return 0;
      std::size_t added = 0;
      SongListRedrawPause pause(list_);
      while (added < batch->count &&
             InsertSongRow(list_, batch->rows[added].name, batch->rows[added].url,
                           batch->index + static_cast<int>(added)) >= 0) {
        ++added;
      }
      return static_cast<LRESULT>(added);
    }
    case kSetCellMessage: {
      const auto* write = reinterpret_cast<const CellWrite*>(lParam);
      if (!GenerationHolds(static_cast<int>(wParam))) return FALSE;
      // A new State ends whatever transfer the row showed.
      if (write->column == kColumnState && ForgetProgress(write->row)) RedrawStateCell(list_, write->row);
      WriteSongCell(list_, write->row, write->column, *write->text);
      unsigned long long field = 0;
      if (write->column == kColumnState && *write->text == kStateDownloading &&
          ReadRowField(list_, write->row, &field)) {
        WriteRowField(list_, write->row, field | kLostButtonMark);
      }
      return TRUE;
    }
    case kTakeEveryRowMessage: {
      if (!GenerationHolds(static_cast<int>(wParam))) return FALSE;
      // In one pass with redrawing off: message by message from a worker, a list of many
      // thousand rows would hold the window for seconds.
      auto* taken = reinterpret_cast<std::vector<SongRowCells>*>(lParam);
      const int count = SongRowCount(list_);
      taken->reserve(static_cast<std::size_t>(count));
      {
        SongListRedrawPause pause(list_);
        for (int row = 0; row < count; ++row) {
          taken->push_back(SongRowCells{GetSongCell(list_, row, kColumnName), GetSongCell(list_, row, kColumnUrl)});
          ForgetProgress(row);
          WriteSongCell(list_, row, kColumnState, kStateWaiting);
          unsigned long long field = 0;
          if (!ReadRowField(list_, row, &field)) continue;
          WriteRowField(list_, row, field | kTakenMark);
          ShowRowButton(row, field | kTakenMark);
        }
      }
      InvalidateRect(list_, nullptr, TRUE);
      return TRUE;
    }
    case kTakeRowMessage:
    case kGiveRowBackMessage: {
      const auto* take = reinterpret_cast<const RowTake*>(lParam);
      unsigned long long field = 0;
      if (!GenerationHolds(static_cast<int>(wParam)) || !ReadRowField(list_, take->row, &field)) return FALSE;
      if (message == kGiveRowBackMessage) {
        if ((field & kLostButtonMark) != 0) return FALSE;
        if (ForgetProgress(take->row)) RedrawStateCell(list_, take->row);
        WriteSongCell(list_, take->row, kColumnState, kStateNone);
      }
      field = take->taken ? field | kTakenMark : field & ~kTakenMark;
      WriteRowField(list_, take->row, field);
      ShowRowButton(take->row, field);
      return TRUE;
    }
    case kSetProgressMessage: {
      const auto* report = reinterpret_cast<const ProgressReport*>(lParam);
      const int row = report->row;
      if (!GenerationHolds(static_cast<int>(wParam)) || row < 0 || row >= SongRowCount(list_)) return FALSE;
      const auto found = progress_.find(row);
      const unsigned long long reports = found == progress_.end() ? 1 : found->second.reports + 1;
      progress_[row] = {report->received, report->announced, reports};
      RedrawStateCell(list_, row);
      return TRUE;
    }
    case LVM_INSERTITEMA:
    case LVM_INSERTITEMW: {
      // The transfers shown move down with their rows.
      const LRESULT row = Pass(message, wParam, lParam);
      if (row >= 0) RowsShifted(static_cast<int>(row), 1);
      return row;
    }
    case LVM_DELETEITEM: {
      const LRESULT deleted = Pass(message, wParam, lParam);
      if (deleted) {
        ForgetProgress(static_cast<int>(wParam));
        RowsShifted(static_cast<int>(wParam) + 1, -1);
      }
      return deleted;
    }
    case LVM_DELETEALLITEMS:
      progress_.clear();
      return Pass(message, wParam, lParam);
    case WM_NCDESTROY: {
      const HWND list = list_;
      const WNDPROC own = listViewProc_;
      SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(own));
      SetWindowLongPtrA(list, GWLP_USERDATA, 0);
      list_ = nullptr;
      listViewProc_ = nullptr;
      progress_.clear();
      return CallWindowProcA(own, list, message, wParam, lParam);
    }
    default:
      return Pass(message, wParam, lParam);
  }
}

LRESULT SongRows::CustomDraw(LPARAM customDraw) {
  auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(customDraw);
  switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
      return progress_.empty() ? CDRF_DODEFAULT : CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
      return progress_.count(static_cast<int>(draw->nmcd.dwItemSpec)) > 0 ? CDRF_NOTIFYPOSTPAINT : CDRF_DODEFAULT;
    case CDDS_ITEMPOSTPAINT: {
      const int row = static_cast<int>(draw->nmcd.dwItemSpec);
      const auto found = progress_.find(row);
      RECT cell;
      if (found == progress_.end() || !StateCellBounds(list_, row, &cell)) return CDRF_DODEFAULT;
      PaintStateFill(draw->nmcd.hdc, cell, found->second.received, found->second.announced, found->second.reports);
      return CDRF_DODEFAULT;
    }
    default:
      return CDRF_DODEFAULT;
  }
}

bool AddSongRow(HWND list, const std::string& name, const std::string& url, int index, int generation) {
  if (list == nullptr || index < 0) return false;
  const SongRowCells cells = {name, url};
  const NewRows batch = {&cells, 1, index, generation};
  return SendMessageA(list, kAddRowsMessage, 0, reinterpret_cast<LPARAM>(&batch)) == 1;
}

int AddSongRows(HWND list, const std::vector<SongRowCells>& rows, std::size_t first, std::size_t count,
                int index, int generation) {
  if (list == nullptr || index < 0 || first >= rows.size() || count == 0) return 0;
  count = std::min(count, rows.size() - first);
  const NewRows batch = {rows.data() + first, count, index, generation};
  return static_cast<int>(SendMessageA(list, kAddRowsMessage, 0, reinterpret_cast<LPARAM>(&batch)));
}

unsigned long SongListChanges(HWND list) {
  const SongRows* rows = RowsOf(list);
  return rows ? rows->Changes() : 0;
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

HWND GetRowButton(HWND list, int row) { return ButtonOf(RowField(list, row)); }

void SetRowButton(HWND list, int row, HWND button) {
  unsigned long long field = 0;
  if (ReadRowField(list, row, &field)) WriteRowField(list, row, WithButton(field, button));
}

HWND CreateRowDownloadButton(HWND list, int row, HFONT font) {
  RECT cell;
  if (!StateCellBounds(list, row, &cell)) return nullptr;
  // Made in the margin above the rows shown, it would stand over the header; a taken row shows
  // no button.
  const bool shown = row >= TopSongRow(list) && !SongRowTaken(list, row);
  HWND button = CreateRowButton(list, row, cell, shown, font);
  if (button != nullptr) SetRowButton(list, row, button);
  return button;
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

void ClearSongList(HWND list) {
  if (list == nullptr) return;
  // Every row goes right after its button, its item parameter with it.
  DestroyRowButtonsOf(list);
  if (SongRowCount(list) > 0) DeleteAllSongRows(list);
}
