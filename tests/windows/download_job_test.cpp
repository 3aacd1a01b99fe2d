// Download jobs in the real window, saving songs from the stand-in site into temp folders.
#include "shell/download_job.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <future>
#include <set>

#include "net/url_transfer.h"
#include "shell/song_rows.h"
#include "wingui/song_list.h"
#include "program_fixture.h"
#include "common/test_files.h"

namespace {

using DownloadJobTest = ProgramTest;

const std::string kGen = "http://audio.verdimo.test/gen/";

void AddRows(const std::vector<std::pair<std::string, std::string>>& rows) {
  for (size_t i = 0; i < rows.size(); ++i) {
    AddSongRow(SongList, rows[i].first, rows[i].second, static_cast<int>(i));
  }
}

void SaveAllInto(const std::string& folder) {
  SaveSongsIntoFolder(folder);
  ASSERT_TRUE(RunLoopUntil(AllJobsEnded, 120000));
}

TEST_F(DownloadJobTest, SaveSongsGivesRowsOfOneTitleTheirOwnFiles) {
  std::vector<std::pair<std::string, std::string>> rows;
  for (int n = 1; n <= 5; ++n) rows.push_back({"Song", kGen + "20000/" + std::to_string(n) + ".mp3"});
  AddRows(rows);
  const std::string folder = FreshTempFolder("save-same");
  SaveAllInto(folder);
  std::set<std::string> paths;
  for (int row = 0; row < 5; ++row) {
    EXPECT_EQ(GetSongCell(SongList, row, kColumnState), "Ready!") << row;
    const std::string path = GetSongCell(SongList, row, kColumnPath);
    paths.insert(path);
    EXPECT_EQ(ReadWholeFile(path), GeneratedBody(row + 1, 20000)) << path;
  }
  EXPECT_EQ(paths.size(), 5u);
  auto names = FolderEntries(folder);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Song (2).mp3", "Song (3).mp3", "Song (4).mp3", "Song (5).mp3", "Song.mp3"}));
}

TEST_F(DownloadJobTest, AFolderTargetTakesTheFirstFreeName) {
  const std::string folder = FreshTempFolder("save-free");
  WriteWholeFile(folder + "Song.mp3", "taken");
  WriteWholeFile(folder + "Song (2).mp3", "taken too");
  AddRows({{"Song", kGen + "3000/7.mp3"}});
  SaveAllInto(folder);
  EXPECT_EQ(GetSongCell(SongList, 0, kColumnPath), folder + "Song (3).mp3");
  EXPECT_EQ(ReadWholeFile(folder + "Song (3).mp3"), GeneratedBody(7, 3000));
  EXPECT_EQ(ReadWholeFile(folder + "Song.mp3"), "taken");
  EXPECT_EQ(ReadWholeFile(folder + "Song (2).mp3"), "taken too");
}

TEST_F(DownloadJobTest, AnEmptyFileOfTheNameIsReplaced) {
  const std::string folder = FreshTempFolder("save-empty");
  WriteWholeFile(folder + "Song.mp3", "");
  AddRows({{"Song", kGen + "3000/8.mp3"}});
  SaveAllInto(folder);
  EXPECT_EQ(GetSongCell(SongList, 0, kColumnPath), folder + "Song.mp3");
  EXPECT_EQ(ReadWholeFile(folder + "Song.mp3"), GeneratedBody(8, 3000));
}

TEST_F(DownloadJobTest, ATitleThatAlreadyEndsInMp3KeepsExistingFiles) {
  const std::string folder = FreshTempFolder("save-ext");
  WriteWholeFile(folder + "Track.MP3", "mine");
  AddRows({{"Track.MP3", kGen + "3000/9.mp3"}});
  SaveAllInto(folder);
  EXPECT_EQ(ReadWholeFile(folder + "Track.MP3"), "mine");
  EXPECT_EQ(ReadWholeFile(GetSongCell(SongList, 0, kColumnPath)), GeneratedBody(9, 3000));
}

TEST_F(DownloadJobTest, NetworkTitlesNeverLeaveTheChosenFolder) {
  const std::string folder = FreshTempFolder("save-safe");
  AddRows({{"..\\..\\evil", kGen + "100/1.mp3"}, {"a:b?c", kGen + "100/2.mp3"}, {"CON", kGen + "100/3.mp3"}});
  SaveAllInto(folder);
  for (int row = 0; row < 3; ++row) {
    const std::string path = GetSongCell(SongList, row, kColumnPath);
    EXPECT_EQ(GetSongCell(SongList, row, kColumnState), "Ready!") << row;
    EXPECT_EQ(path.rfind(folder, 0), 0u) << path;
    EXPECT_EQ(path.find('\\', folder.size()), std::string::npos) << path;
  }
  EXPECT_EQ(FolderEntries(folder).size(), 3u);
}

TEST_F(DownloadJobTest, FailedTransfersLeaveNoFileAndTouchNothing) {
  const std::string folder = FreshTempFolder("save-fail");
  WriteWholeFile(folder + "Dropped.mp3", "");  // an empty file of the name stays as it was
  AddRows({{"Missing", "http://audio.verdimo.test/fault/404.mp3"},
           {"Dropped", "http://audio.verdimo.test/fault/drop.mp3"},
           {"Empty", "http://audio.verdimo.test/fault/empty.mp3"},
           {"Broken", "http://audio.verdimo.test/fault/500.mp3"},
           {"Nowhere", "http://nowhere.test/x.mp3"},
           {"No Address", ""}});
  SaveAllInto(folder);
  for (int row = 0; row < 6; ++row) {
    EXPECT_EQ(GetSongCell(SongList, row, kColumnState), "Failed!") << row;
    EXPECT_EQ(GetSongCell(SongList, row, kColumnPath), "") << row;
  }
  EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"Dropped.mp3"});
  bool exists = false;
  EXPECT_EQ(ReadWholeFile(folder + "Dropped.mp3", &exists), "");
  EXPECT_TRUE(exists);
}

// Only web addresses are fetched, encoded; the limits, shortened here, end a stalled or oversized song.
TEST_F(DownloadJobTest, HostileSongAddressesAndTransfersEndFailedWithNoFile) {
  SetTransferLimits({1024, 2000, 50000});
  const std::string audio = "http://audio.verdimo.test/";
  AddRows({{"Encoded", audio + "songs/tone1.mp3?from=My Band&t=Caf\xE9"}, {"Local", "file:///C:/windows/win.ini"},
           {"Share", "\\\\share.test\\music\\x.mp3"}, {"Share Address", "file://share.test/music/x.mp3"},
           {"Redirected", audio + "fault/redirect.mp3?to=file%3A%2F%2F%2FC%3A%2Fwindows%2Fwin.ini"},
           {"Stalled", audio + "fault/stall.mp3?seconds=60"}, {"Too Large", kGen + "200000/1.mp3"},
           {"Too Large Unsized", audio + "fault/slow-unsized.mp3?seconds=0"}});
  const std::string folder = FreshTempFolder("save-hostile");
  SaveSongsIntoFolder(folder);
  const bool ended = RunLoopUntil(AllJobsEnded, 30000);
  SetTransferLimits(TransferLimits());
  ASSERT_TRUE(ended) << "a stalled transfer outlived its window";
  for (int row = 0; row < 8; ++row) EXPECT_EQ(GetSongCell(SongList, row, kColumnState), row ? "Failed!" : "Ready!") << row;
  EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"Encoded.mp3"});
}

TEST_F(DownloadJobTest, AFailedRowCanBeStartedAgain) {
  AddRows({{"Missing", "http://audio.verdimo.test/fault/404.mp3"}});
  SaveAllInto(FreshTempFolder("save-again"));
  ASSERT_EQ(GetSongCell(SongList, 0, kColumnState), "Failed!");
  SetSongCell(SongList, 0, kColumnUrl, kGen + "500/3.mp3");
  SaveAllInto(FreshTempFolder("save-again"));
  EXPECT_EQ(GetSongCell(SongList, 0, kColumnState), "Ready!");
}

TEST_F(DownloadJobTest, AJobOfAnOlderListLeavesTheNewListAlone) {
  AddRows({{"Slow", "http://audio.verdimo.test/fault/slow.mp3?seconds=2"}});
  const std::string folder = FreshTempFolder("save-stale");
  SaveSongsIntoFolder(folder);
  ASSERT_TRUE(RunLoopUntil([] { return GetSongCell(SongList, 0, kColumnState) == "Downloading..."; }));
  // A new read replaces the list while the transfer runs.
  ListGeneration.fetch_add(1);
  ClearSongList(SongList);
  AddRows({{"New Row", "http://audio.verdimo.test/songs/tone1.mp3"}});
  ASSERT_TRUE(RunLoopUntil(AllJobsEnded, 60000));
  EXPECT_EQ(GetSongCell(SongList, 0, kColumnName), "New Row");
  EXPECT_EQ(GetSongCell(SongList, 0, kColumnState), "");
  EXPECT_EQ(GetSongCell(SongList, 0, kColumnPath), "");
  // The song itself was saved all the same.
  EXPECT_EQ(ReadWholeFile(folder + "Slow.mp3"), GeneratedBody(0, 65536));
}

TEST_F(DownloadJobTest, FiftyParallelJobsAllEndAndCountBackToZero) {
  std::vector<std::pair<std::string, std::string>> rows;
  for (int n = 1; n <= 50; ++n) rows.push_back({"Piece " + std::to_string(n), kGen + "5000/" + std::to_string(n) + ".mp3"});
  AddRows(rows);
  const std::string folder = FreshTempFolder("save-fifty");
  SaveSongsIntoFolder(folder);
  EXPECT_GT(RunningDownloads.load(), 0);
  ASSERT_TRUE(RunLoopUntil(AllJobsEnded, 120000));
  EXPECT_EQ(RunningDownloads.load(), 0);
  for (int row = 0; row < 50; ++row) {
    EXPECT_EQ(GetSongCell(SongList, row, kColumnState), "Ready!") << row;
    EXPECT_EQ(ReadWholeFile(GetSongCell(SongList, row, kColumnPath)).size(), 5000u) << row;
  }
}

// A thread answers the save dialog with a path, as the user would.
std::future<bool> AnswerSaveDialog(const std::string& path) {
  return std::async(std::launch::async, [path] {
    HWND dialog = nullptr;
    const bool shown = WaitUntil(
        [&dialog] {
          dialog = FindWindowA("#32770", nullptr);
          DWORD process = 0;
          GetWindowThreadProcessId(dialog, &process);
          return dialog != nullptr && process == GetCurrentProcessId() && GetDlgItem(dialog, 1148) != nullptr;
        },
        20000);
    if (shown) {
      SetDlgItemTextA(dialog, 1148, path.c_str());
      PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    }
    return shown;
  });
}

TEST_F(DownloadJobTest, TheDialogTargetGetsItsExtensionAndAFailureKeepsTheOldFile) {
  const std::string folder = FreshTempFolder("save-dialog");
  AddRows({{"Good", "http://audio.verdimo.test/songs/tone2.mp3"}, {"Missing", "http://audio.verdimo.test/fault/404.mp3"}});
  auto first = AnswerSaveDialog(folder + "chosen");
  StartDownload(0, "");
  ASSERT_TRUE(RunLoopUntil(AllJobsEnded, 60000));
  EXPECT_TRUE(first.get());
  EXPECT_EQ(GetSongCell(SongList, 0, kColumnState), "Ready!");
  EXPECT_EQ(GetSongCell(SongList, 0, kColumnPath), folder + "chosen.mp3");
  EXPECT_EQ(ReadWholeFile(folder + "chosen.mp3"), SiteFixture("songs/tone2.mp3"));

  WriteWholeFile(folder + "keep.mp3", "precious");
  auto second = AnswerSaveDialog(folder + "keep.mp3");
  StartDownload(1, "");
  ASSERT_TRUE(RunLoopUntil(AllJobsEnded, 60000));
  EXPECT_TRUE(second.get());
  EXPECT_EQ(GetSongCell(SongList, 1, kColumnState), "Failed!");
  EXPECT_EQ(ReadWholeFile(folder + "keep.mp3"), "precious");
  auto names = FolderEntries(folder);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"chosen.mp3", "keep.mp3"}));
}

TEST_F(DownloadJobTest, FileExistsNonEmptyIgnoresFoldersAndEmptyFiles) {
  const std::string folder = FreshTempFolder("exists");
  WriteWholeFile(folder + "empty", "");
  WriteWholeFile(folder + "full", "x");
  CreateDirectoryA((folder + "dir").c_str(), nullptr);
  EXPECT_FALSE(FileExistsNonEmpty((folder + "empty").c_str()));
  EXPECT_TRUE(FileExistsNonEmpty((folder + "full").c_str()));
  EXPECT_FALSE(FileExistsNonEmpty((folder + "dir").c_str()));
  EXPECT_FALSE(FileExistsNonEmpty((folder + "none").c_str()));
}

}  // namespace

// Every song handed over by Save Songs is saved whole, whatever happens to the rows at once:
// the window closing takes them away, a new read replaces them.
TEST_F(DownloadJobTest, EverySongHandedOverIsSavedWhenTheRowsGoAtOnce) {
  const struct {
    const char* what;
    void (*takeRowsAway)();
  } cases[] = {
      {"rows deleted", [] { SendMessageA(SongList, LVM_DELETEALLITEMS, 0, 0); }},
      {"a new list", [] {
         ListGeneration.fetch_add(1);
         ClearSongList(SongList);
       }},
  };
  for (const auto& c : cases) {
    ClearSongList(SongList);
    std::vector<std::pair<std::string, std::string>> rows;
    for (int n = 1; n <= 5; ++n) rows.push_back({"Song " + std::to_string(n), kGen + "4000/" + std::to_string(n) + ".mp3"});
    AddRows(rows);
    const std::string folder = FreshTempFolder("save-gone");
    // As Save Songs starts them, but the rows go while the last job has not yet begun.
    for (int row = 0; row < 5; ++row) StartDownload(row, folder + rows[static_cast<size_t>(row)].first);
    c.takeRowsAway();
    ASSERT_TRUE(RunLoopUntil(AllJobsEnded, 60000)) << c.what;
    for (int n = 1; n <= 5; ++n) {
      EXPECT_TRUE(ReadWholeFile(folder + "Song " + std::to_string(n) + ".mp3") == GeneratedBody(n, 4000)) << c.what << " " << n;
    }
  }
}
