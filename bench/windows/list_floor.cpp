// The floor for listing a profile: the same rows the stand-in site's generated playlists give
// ("Track k" and its address), inserted with their Name and URL cells into a hidden four-column
// report list by the one thread of this small program. Nothing of the program is linked in.
//
//   list_floor.exe ROWS [RUNS]    prints "floor ROWS rows: X s" with the median of RUNS (3)
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_clock.h"

namespace {

double FillOnce(HWND parent, int rows) {
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
  const double start = Now();
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
  const double took = Now() - start;
  DestroyWindow(list);
  return took;
}

}  // namespace

int main(int argc, char** argv) {
  const int rows = argc > 1 ? std::atoi(argv[1]) : 1500;
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  HWND parent = CreateWindowExA(0, "STATIC", "floor", WS_OVERLAPPEDWINDOW, 0, 0, 420, 300, nullptr,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
  std::vector<double> times;
  for (int run = 0; run < runs; ++run) times.push_back(FillOnce(parent, rows));
  std::sort(times.begin(), times.end());
  std::printf("floor %d rows: %.3f s\n", rows, times[times.size() / 2]);
  DestroyWindow(parent);
  return 0;
}
