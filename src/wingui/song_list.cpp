#include "wingui/song_list.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "base/app_state.h"
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
constexpr UINT kAddRowMessage = WM_APP + 1;
constexpr UINT kSetCellMessage = WM_APP + 2;

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

bool GenerationHolds(int generation) {
  return generation == kAnyListGeneration || generation == ListGeneration.load();
}

void WriteCell(HWND list, int row, int column, const std::string& text) {
  LVITEMA item = {};
  item.iSubItem = column;
  item.pszText = const_cast<char*>(text.c_str());
  CallWindowProcA(ListViewProc, list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
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

LRESULT CALLBACK SongListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kAddRowMessage) {
    if (!GenerationHolds(static_cast<int>(wParam >> 32) - 1)) return FALSE;
    return InsertRow(list, *reinterpret_cast<const NewRow*>(lParam), static_cast<int>(wParam & 0xFFFFFFFF));
  }
  if (message == kSetCellMessage) {
    const auto* write = reinterpret_cast<const CellWrite*>(lParam);
    if (!GenerationHolds(static_cast<int>(wParam))) return FALSE;
    WriteCell(list, write->row, write->column, *write->text);
    return TRUE;
  }
  return CallWindowProcA(ListViewProc, list, message, wParam, lParam);
}

}  // namespace

bool AddSongRow(HWND list, const std::string& name, const std::string& url, int index, int generation) {
  if (list == nullptr || index < 0) return false;
  // Row index and generation travel in one 64-bit parameter; the generation is stored plus one
  // so that "any" (-1) is 0.
  const WPARAM packed = (static_cast<WPARAM>(static_cast<unsigned>(generation + 1)) << 32) |
                        static_cast<unsigned>(index);
  const NewRow cells = {&name, &url};
  return SendMessageA(list, kAddRowMessage, packed, reinterpret_cast<LPARAM>(&cells)) != 0;
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
  // The control copies at most the buffer's size; grow until the text fits.
  std::vector<char> buffer(512);
  for (;;) {
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = buffer.data();
    item.cchTextMax = static_cast<int>(buffer.size());
    const int copied = static_cast<int>(SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item)));
    if (copied < static_cast<int>(buffer.size()) - 1 || buffer.size() >= (1u << 20)) {
      return std::string(buffer.data(), static_cast<size_t>(std::max(copied, 0)));
    }
    buffer.resize(buffer.size() * 4);
  }
}

bool SetSongCell(HWND list, int row, int column, const std::string& text, int generation) {
  if (list == nullptr || row < 0) return false;
  const CellWrite write = {row, column, &text};
  return SendMessageA(list, kSetCellMessage, static_cast<WPARAM>(generation),
                      reinterpret_cast<LPARAM>(&write)) != 0;
}

HWND GetRowButton(HWND list, int row) {
  if (list == nullptr || row < 0) return nullptr;
  LVITEMA item = {};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  if (!SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return nullptr;
  return reinterpret_cast<HWND>(item.lParam);
}

void SetRowButton(HWND list, int row, HWND button) {
  if (list == nullptr || row < 0) return;
  LVITEMA item = {};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  item.lParam = reinterpret_cast<LPARAM>(button);
  SendMessageA(list, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

bool StateCellBounds(HWND list, int row, RECT* bounds) {
  *bounds = RECT{};
  bounds->top = kColumnState;
  bounds->left = LVIR_BOUNDS;
  return list != nullptr &&
         SendMessageA(list, LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(bounds)) != 0;
}

void ClearSongList(HWND list) {
  if (list == nullptr) return;
  const int count = SongRowCount(list);
  for (int row = 0; row < count; ++row) {
    HWND button = GetRowButton(list, row);
    if (button != nullptr && IsWindow(button)) {
      DestroyRowDownloadButton(button);
      SetRowButton(list, row, nullptr);
    }
  }
  if (count > 0) SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
}
