// A transfer's progress in the real window: the fill behind a State cell's text, and the Save
// Songs batch on a taskbar that records what it is shown.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "base/win_handles.h"
#include "common/test_files.h"
#include "shell/download_job.h"
#include "program_fixture.h"
#include "shell/batch_taskbar.h"
#include "shell/commands.h"
#include "shell/song_rows.h"
#include "wingui/song_list.h"

#include <commctrl.h>

namespace {

using ProgressTest = ProgramTest;

struct TaskbarCall {
  TBPFLAG state;  // TBPF_NOPROGRESS - 1 for a value
  ULONGLONG completed, total;
};

class RecordingTaskbar : public TaskbarButton {
 public:
  explicit RecordingTaskbar(std::vector<TaskbarCall>* calls) : calls_(calls) {}
  void SetProgressState(HWND, TBPFLAG state) override { calls_->push_back({state, 0, 0}); }
  void SetProgressValue(HWND, ULONGLONG completed, ULONGLONG total) override {
    calls_->push_back({kValueCall, completed, total});
  }
  static constexpr TBPFLAG kValueCall = static_cast<TBPFLAG>(-1);

 private:
  std::vector<TaskbarCall>* calls_;
};

constexpr COLORREF kFill = RGB(150, 215, 150);

// The State cell of a row as the list draws it: for each pixel, whether it has the fill's colour.
std::vector<bool> FillPixels(int row, int* width) {
  RECT list;
  GetClientRect(SongList, &list);
  RECT cell;
  EXPECT_TRUE(StateCellBounds(SongList, row, &cell));
  BITMAPINFO format = {};
  format.bmiHeader.biSize = sizeof(format.bmiHeader);
  format.bmiHeader.biWidth = list.right;
  format.bmiHeader.biHeight = -list.bottom;
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  UniqueMemoryDc memory(CreateCompatibleDC(nullptr));
  UniqueBitmap canvas(CreateDIBSection(nullptr, &format, DIB_RGB_COLORS, &bits, nullptr, 0));
  ScopedSelectObject selected(memory.get(), canvas.get());
  SendMessageA(SongList, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory.get()), PRF_CLIENT | PRF_ERASEBKGND);
  std::vector<bool> pixels;
  *width = 0;
  for (int y = static_cast<int>(cell.top); y < cell.bottom; ++y) {
    for (int x = static_cast<int>(cell.left); x < cell.right; ++x) {
      const bool fill = GetPixel(memory.get(), x, y) == kFill;
      pixels.push_back(fill);
      if (fill) *width = std::max(*width, x - static_cast<int>(cell.left) + 1);
    }
  }
  return pixels;
}

TEST_F(ProgressTest, StateCellsFillAsSongsArriveAndTheTaskbarCountsTheBatch) {
  std::vector<TaskbarCall> calls;
  UseTaskbarButton(std::make_unique<RecordingTaskbar>(&calls));
  struct Restore {
    ~Restore() { UseTaskbarButton(nullptr); }
  } restore;
  const std::string audio = "http://audio.verdimo.test/fault/";
  AddSongRow(SongList, "Sized", audio + "slow.mp3?seconds=4", 0);
  AddSongRow(SongList, "Unsized", audio + "slow-unsized.mp3?seconds=4", 1);
  AddSongRow(SongList, "Gone", audio + "404.mp3", 2);
  ShowWindow(SongList, SW_SHOW);
  SaveSongsIntoFolder(FreshTempFolder("progress"));

  int sized = 0, unsized = 0;
  ASSERT_TRUE(RunLoopUntil([&] {
    FillPixels(0, &sized);
    FillPixels(1, &unsized);
    return sized > 0 && unsized > 0;
  }, 10000)) << "no fill seen: sized " << sized << ", unsized " << unsized;
  const std::vector<bool> stripesBefore = FillPixels(1, &unsized);
  RunLoopFor(1200);
  int sizedLater = 0;
  FillPixels(0, &sizedLater);
  const std::vector<bool> stripesLater = FillPixels(1, &unsized);
  EXPECT_GT(sizedLater, sized) << "the bar grows";
  EXPECT_NE(stripesLater, stripesBefore) << "the stripes move";
  EXPECT_EQ(GetSongCell(SongList, 0, kColumnState), "Downloading...");
  EXPECT_EQ(GetSongCell(SongList, 1, kColumnState), "Downloading...");

  ASSERT_TRUE(RunLoopUntil([] { return RunningDownloads.load() == 0; }, 60000));
  RunLoopFor(300);  // the last job's message to the window
  EXPECT_EQ(GetSongCell(SongList, 0, kColumnState), "Ready!");
  EXPECT_EQ(GetSongCell(SongList, 1, kColumnState), "Ready!");
  EXPECT_EQ(GetSongCell(SongList, 2, kColumnState), "Failed!");
  // Finished rows carry no fill.
  FillPixels(0, &sized);
  EXPECT_EQ(sized, 0);

  // The 404 ends first: the bar starts at 0 of 3, turns to the error colour at 1 of 3, keeps it,
  // and goes when the last song ends.
  const TBPFLAG value = RecordingTaskbar::kValueCall;
  std::vector<std::vector<ULONGLONG>> seen;
  for (const TaskbarCall& call : calls) seen.push_back({static_cast<ULONGLONG>(call.state), call.completed, call.total});
  const std::vector<std::vector<ULONGLONG>> expected = {
      {TBPF_NORMAL, 0, 0}, {static_cast<ULONGLONG>(value), 0, 3},
      {TBPF_ERROR, 0, 0},  {static_cast<ULONGLONG>(value), 1, 3},
      {TBPF_ERROR, 0, 0},  {static_cast<ULONGLONG>(value), 2, 3},
      {TBPF_NOPROGRESS, 0, 0}};
  EXPECT_EQ(seen, expected);
}

// A fill goes with its row: a deleted row leaves none behind on the row taking its place.
TEST_F(ProgressTest, AFillGoesWithItsRowWhenRowsAreDeleted) {
  const struct {
    int deleted, filledAfter;
  } cases[] = {{1, -1}, {0, 0}};
  for (const auto& c : cases) {
    ClearSongList(SongList);
    for (int i = 0; i < 3; ++i) AddSongRow(SongList, "Song", "url", i);
    ShowWindow(SongList, SW_SHOW);
    ASSERT_TRUE(SetSongProgress(SongList, 1, 50, 100));
    SendMessageA(SongList, LVM_DELETEITEM, c.deleted, 0);
    for (int row = 0; row < 2; ++row) {
      int width = 0;
      FillPixels(row, &width);
      EXPECT_EQ(width > 0, row == c.filledAfter) << "deleted " << c.deleted << ", row " << row;
    }
  }
}

}  // namespace
