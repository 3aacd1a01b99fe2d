// Saving songs: one row through the save dialog, all rows into a chosen folder, transfers the
// site breaks off, and closing the window while a transfer still runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "e2e/program_driver.h"
#include "e2e/program_test.h"
#include "common/test_files.h"

namespace {

class SaveTest : public ProgramTest {
 protected:
  // Double-clicks a row's Name cell and answers the save dialog with a full path.
  void SaveRowAs(int row, const std::string& path) {
    RECT cell = {};
    ASSERT_TRUE(NameCellOnScreen(run_, row, &cell)) << "row " << row << " has no place on the screen";
    DoubleClickAt(POINT{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2});
    HWND dialog = WaitForSaveDialog(run_, 15000);
    ASSERT_NE(nullptr, dialog) << "no save dialog after a double-click on row " << row;
    EXPECT_EQ(SongCell(run_, row, 0) + ".mp3", ControlText(GetDlgItem(dialog, 1148)))
        << "the proposed file name";
    EXPECT_EQ("Waiting...", SongCell(run_, row, 2)) << "State while the dialog asks";
    ASSERT_TRUE(AnswerSaveDialog(dialog, path)) << "the save dialog did not take " << path;
  }

  // Clicks Save Songs with the pointer and chooses the folder in the folder chooser.
  void SaveAllInto(const std::string& folder) {
    HWND save = Control(run_, kSaveButtonId);
    ASSERT_TRUE(PollUntil([&] { return Enabled(save); }, 10000)) << "Save Songs stays disabled";
    HWND chooser = ClickForFolderChooser(run_, save);
    ASSERT_NE(nullptr, chooser) << "no folder chooser after a click on Save Songs";
    ASSERT_TRUE(AnswerFolderChooser(run_, chooser, folder)) << "the folder chooser did not take " << folder;
  }

  // Waits until no row is waiting or downloading any more; gives the rows as they then stand.
  std::vector<SongRow> RowsWhenSettled(DWORD timeoutMs) {
    std::vector<SongRow> rows;
    PollUntil(
        [&] {
          rows = SongRows(run_);
          return !rows.empty() && std::all_of(rows.begin(), rows.end(), [](const SongRow& row) {
            return row.state == "Ready!" || row.state == "Failed!";
          });
        },
        timeoutMs, 100);
    return rows;
  }

  static std::set<std::string> SetOf(const std::vector<std::string>& names) {
    return std::set<std::string>(names.begin(), names.end());
  }

  // The folder part of a saved path, without the closing backslash.
  static std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
  }

  static bool SameFolder(const std::string& a, const std::string& b) {
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
  }

  // Compares file contents without printing megabytes when they differ.
  static void ExpectFileHolds(const std::string& path, const std::string& expected) {
    bool exists = false;
    const std::string bytes = ReadWholeFile(path, &exists);
    ASSERT_TRUE(exists) << "cannot read " << path;
    EXPECT_EQ(expected.size(), bytes.size()) << path;
    EXPECT_TRUE(bytes == expected) << path << " does not hold the song's bytes";
  }
};

TEST_F(SaveTest, DoubleClickSavesOneSongUnderTheChosenPath) {
  ASSERT_NO_FATAL_FAILURE(ReadProfile("someband", 5));
  const std::string path = target_.File("first.mp3");
  ASSERT_NO_FATAL_FAILURE(SaveRowAs(0, path));

  EXPECT_TRUE(PollUntil([&] { return SongCell(run_, 0, 2) == "Ready!"; }, 30000))
      << "State " << SongCell(run_, 0, 2);
  EXPECT_EQ(path, SongCell(run_, 0, 3));
  const std::string tone1 = FixtureSong("tone1.mp3");
  ASSERT_EQ(24764u, tone1.size()) << "fixture tone1.mp3 unreadable under " << Settings().siteRoot;
  ExpectFileHolds(path, tone1);
  EXPECT_EQ(std::set<std::string>{"first.mp3"}, SetOf(FolderEntries(target_.path + "\\")));
  for (int row = 1; row < 5; ++row) {
    EXPECT_EQ("", SongCell(run_, row, 2)) << "row " << row << " was not asked for";
    EXPECT_EQ("", SongCell(run_, row, 3)) << "row " << row;
  }
}

TEST_F(SaveTest, SaveSongsWritesEveryRowIntoTheFolderUnderFreeNames) {
  ASSERT_NO_FATAL_FAILURE(ReadProfile("samename", 5));
  ASSERT_NO_FATAL_FAILURE(SaveAllInto(target_.path));
  const std::vector<SongRow> rows = RowsWhenSettled(60000);
  ASSERT_EQ(5u, rows.size());

  const std::set<std::string> expectedNames = {"Song.mp3", "Song (2).mp3", "Song (3).mp3", "Song (4).mp3",
                                               "Song (5).mp3"};
  EXPECT_EQ(expectedNames, SetOf(FolderEntries(target_.path + "\\")));
  // Row n fetched the body of seed n: whichever free name it got, its Path must name the file
  // that holds its own song, and no two rows may name the same file.
  std::set<std::string> namesInRows;
  for (size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE("row " + std::to_string(i) + " " + rows[i].path);
    EXPECT_EQ("Song", rows[i].name);
    EXPECT_EQ("Ready!", rows[i].state);
    EXPECT_TRUE(SameFolder(target_.path, FolderOf(rows[i].path)));
    const std::string name = rows[i].path.substr(rows[i].path.find_last_of('\\') + 1);
    EXPECT_EQ(1u, expectedNames.count(name));
    namesInRows.insert(name);
    ExpectFileHolds(target_.File(name), GeneratedBody(static_cast<long long>(i) + 1, 20000));
  }
  EXPECT_EQ(5u, namesInRows.size()) << "two rows name the same file";
}

TEST_F(SaveTest, SaveSongsMarksBrokenTransfersFailedAndKeepsNoFileOfThem) {
  ASSERT_NO_FATAL_FAILURE(ReadProfile("faults", 5));
  ASSERT_NO_FATAL_FAILURE(SaveAllInto(target_.path));
  const std::vector<SongRow> rows = RowsWhenSettled(120000);
  ASSERT_EQ(5u, rows.size());

  const char* const broken[] = {"Missing Song", "Dropped Song"};  // a 404, a cut connection
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(broken[i]);
    EXPECT_EQ(broken[i], rows[i].name);
    EXPECT_EQ("Failed!", rows[i].state);
    EXPECT_EQ("", rows[i].path);
    EXPECT_FALSE(FileExists(target_.File(std::string(broken[i]) + ".mp3")));
    EXPECT_FALSE(FileExists(target_.File(std::string(broken[i]) + ".mp3.part")));
  }
  const struct {
    const char* name;
    std::string body;
  } saved[] = {
      {"Slow Song", GeneratedBody(0, 65536)},
      {"Large Song", GeneratedBody(0, 20971520)},
      {"Good Song", FixtureSong("tone1.mp3")},
  };
  ASSERT_EQ(24764u, saved[2].body.size()) << "fixture tone1.mp3 unreadable under " << Settings().siteRoot;
  for (int i = 0; i < 3; ++i) {
    const SongRow& row = rows[static_cast<size_t>(i) + 2];
    SCOPED_TRACE(saved[i].name);
    EXPECT_EQ(saved[i].name, row.name);
    EXPECT_EQ("Ready!", row.state);
    const std::string file = std::string(saved[i].name) + ".mp3";
    EXPECT_TRUE(SameFolder(target_.path, FolderOf(row.path))) << row.path;
    EXPECT_EQ(file, row.path.substr(row.path.find_last_of('\\') + 1));
    ExpectFileHolds(target_.File(file), saved[i].body);
  }
  EXPECT_EQ((std::set<std::string>{"Slow Song.mp3", "Large Song.mp3", "Good Song.mp3"}),
            SetOf(FolderEntries(target_.path + "\\")));
}

TEST_F(SaveTest, ClosingDuringATransferHidesTheWindowAndEndsWhenTheSongIsSaved) {
  ASSERT_NO_FATAL_FAILURE(ReadProfile("faults", 5));
  ASSERT_EQ("Slow Song", SongCell(run_, 2, 0));
  const std::string path = target_.File("slow.mp3");
  ASSERT_NO_FATAL_FAILURE(SaveRowAs(2, path));
  ASSERT_TRUE(PollUntil([&] { return SongCell(run_, 2, 2) == "Downloading..."; }, 10000, 5))
      << "State " << SongCell(run_, 2, 2);

  // The slow song takes about 3 s from here on.
  RequestClose(run_);
  HWND window = run_.window;
  EXPECT_TRUE(PollUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }, 2000, 5))
      << "the window stays while the transfer runs";
  EXPECT_TRUE(ProgramRunning(run_)) << "the program ended with its transfer unfinished";
  EXPECT_LT(FileSize(path), 65536) << "the transfer had already ended: nothing was shown";

  DWORD exitCode = 1;
  ASSERT_TRUE(WaitForExit(run_, 30000, &exitCode)) << "the program did not end after its transfer";
  EXPECT_EQ(0u, exitCode);
  ExpectFileHolds(path, GeneratedBody(0, 65536));
  EXPECT_EQ(std::set<std::string>{"slow.mp3"}, SetOf(FolderEntries(target_.path + "\\")));
}

}  // namespace
