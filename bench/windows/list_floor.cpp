// The floor for listing a profile: the same rows the stand-in site's generated playlists give
// ("Track k" and its address), inserted with their Name and URL cells into a hidden four-column
// report list by the one thread of this small program. Nothing of the program is linked in.
//
//   list_floor.exe ROWS [RUNS]         prints "floor ROWS rows: X s" with the median of RUNS (3)
//   list_floor.exe ROWS [RUNS] quiet   the rows go in with redrawing off, as the program puts a
//                                      read's rows in, then the list is emptied and filled again;
//                                      prints "floor ROWS rows: X s, emptied and filled again: Y s"
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_clock.h"

namespace {

HWND MakeList(HWND parent) {
  HWND list = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "", WS_CHILD | LVS_REPORT | LVS_SINGLESEL,
                              0, 25, 400, 120, parent, nullptr, GetModuleHandleA(nullptr), nullptr);
  const char* titles[] = {"Name", "URL", "State", "Path"};
  const int widths[] = {120, 180, 88, 200};
  for (int i = 0; i < 4; ++i) {
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<char*>(titles[i]);
    column.cx = widths[i];
    column.iSubItem = i;
    SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
  }
  return list;
}

// Puts the rows in. With quiet, redrawing is off meanwhile, and the list is hidden again after
// (the default handling of WM_SETREDRAW shows a window).
void Fill(HWND list, int rows, bool quiet) {
  if (quiet) SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  for (int k = 1; k <= rows; ++k) {
    std::string name = "Track " + std::to_string(k);
    std::string url = "http://audio.verdimo.test/gen/2048/" + std::to_string(k) + ".mp3";
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = k - 1;
    item.pszText = &name[0];
    const int row = static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    LVITEMA cell = {};
    cell.iSubItem = 1;
    cell.pszText = &url[0];
    SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&cell));
  }
  if (!quiet) return;
  SendMessageA(list, WM_SETREDRAW, TRUE, 0);
  ShowWindow(list, SW_HIDE);
}

struct FillTimes {
  double first;
  double again;  // quiet only: emptied and filled again
};

FillTimes FillOnce(HWND parent, int rows, bool quiet) {
  HWND list = MakeList(parent);
  FillTimes times = {};
  double start = Now();
  Fill(list, rows, quiet);
  times.first = Now() - start;
  if (quiet) {
    start = Now();
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    Fill(list, rows, quiet);
    times.again = Now() - start;
  }
  DestroyWindow(list);
  return times;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int rows = argc > 1 ? std::atoi(argv[1]) : 1500;
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  const bool quiet = argc > 3 && std::string(argv[3]) == "quiet";
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  HWND parent = CreateWindowExA(0, "STATIC", "floor", WS_OVERLAPPEDWINDOW, 0, 0, 420, 300, nullptr,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
  std::vector<double> first, again;
  for (int run = 0; run < runs; ++run) {
    const FillTimes times = FillOnce(parent, rows, quiet);
    first.push_back(times.first);
    again.push_back(times.again);
  }
  if (quiet) {
    std::printf("floor %d rows: %.3f s, emptied and filled again: %.3f s\n", rows, Median(first), Median(again));
  } else {
    std::printf("floor %d rows: %.3f s\n", rows, Median(first));
  }
  DestroyWindow(parent);
  return 0;
}
