// Return to rows listed: the real window and main loop run in this process; the read that
// Return starts (StartProfileRead with the field's text) of one profile of the stand-in site runs
// RUNS times into an empty list (a first read) and RUNS times over the rows of the read before (a
// replacing read). Each time the loop runs until the list is shown again holding every row, then
// until the rows have their buttons.
//
//   listing_bench.exe PROFILE ROWS [RUNS]
//
// Prints "listing ROWS rows: X s, replacing ROWS rows: Y s, with buttons: Z s" (medians; the last
// for the first reads) and exits with 0 only when every read listed exactly ROWS rows.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/app_state.h"
#include "shell/window_state.h"
#include "shell/read_results.h"
#include "shell/commands.h"
#include "shell/main_loop.h"
#include "shell/startup.h"
#include "shell/song_rows.h"
#include "wingui/song_list.h"

#include "../../tests/common/main_loop_wait.h"
#include "bench_clock.h"

namespace {

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  const std::string profile = argv[1];
  const int rows = std::atoi(argv[2]);
  const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;
  if (!StartUp()) {
    std::printf("FAIL: start-up could not make the window\n");
    return 1;
  }
  BeginMainLoop();
  std::vector<double> listed, replacing, buttons;
  int failures = 0;
  // Times one read from its start until the list is shown with every row; with buttons, until
  // then the rows have their buttons.
  const auto timeRead = [&](std::vector<double>* took, std::vector<double>* withButtons) {
    const double start = Now();
    StartProfileRead(profile);
    const bool shown = RunLoopUntil(
        [rows] {
          return ProfileReadsRunning.load() == 0 && IsWindowVisible(SongList) && SongRowCount(SongList) == rows;
        },
        120000);
    took->push_back(Now() - start);
    // With the player the loop then gives the rows their buttons.
    RunLoopUntil([] { return PlayerPanel == nullptr || SongListFilled.load() == 0; }, 120000);
    if (withButtons != nullptr) withButtons->push_back(Now() - start);
    if (!shown) {
      std::printf("FAIL: a read listed %d rows, not %d\n", SongRowCount(SongList), rows);
      ++failures;
    }
  };
  for (int run = 0; run < runs; ++run) {
    // Untimed: the list is emptied, as no read of this process had filled it.
    ListGeneration.fetch_add(1);
    ClearSongList(SongList);
    timeRead(&listed, &buttons);
    timeRead(&replacing, nullptr);
  }
  EndSequence();
  std::printf("listing %d rows: %.3f s, replacing %d rows: %.3f s, with buttons: %.3f s\n", rows, Median(listed),
              rows, Median(replacing), Median(buttons));
  return failures == 0 ? 0 : 1;
}
