// Whatever the site sends, the program keeps working: reads of broken, huge, endless and
// trickled pages and playlists, hostile titles and broken or dangerous song files, each in the
// real window. After every case the window answers, a new read of "someband" works, and nothing
// was written outside the chosen folder, no ".part" file left in it.
#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <string>
#include <vector>

#include "common/recorder_log.h"
#include "common/site_control.h"
#include "common/test_files.h"
#include "program_fixture.h"
#include "shell/commands.h"
#include "wingui/row_buttons.h"
#include "shell/song_rows.h"
#include "wingui/song_list.h"

namespace {

enum class Then {
  kEnds,       // the read ends by itself
  kHangs,      // the read does not end until the site lets go
  kSaveAll,    // the read ends; then every row is saved into the chosen folder
};

struct HostileCase {
  const char* what;
  std::string typed;
  Then then;
  int rows;                          // rows the read leaves
  std::vector<std::string> states;   // kSaveAll: each row's State afterwards
};

const std::string kPage = "http://www.verdimo.test/hostile/";
// The someband page, with the playlist's friend ID taken from the address.
const std::string kPlaylist = "http://www.verdimo.test/someband?&friendID=";

std::vector<HostileCase> Cases() {
  const std::string ready = "Ready!", failed = "Failed!";
  return {
      {"binary junk page", kPage + "junk", Then::kEnds, 0, {}},
      {"100 MB page", kPage + "huge", Then::kEnds, 0, {}},
      {"endless page, streamed fast", kPage + "endless", Then::kEnds, 0, {}},
      {"page trickled a few bytes at a time", kPage + "trickle", Then::kEnds, 5, {}},
      {"page dropped after 10 bytes", kPage + "drop10", Then::kEnds, 0, {}},
      {"endless page, trickled", kPage + "endless-slow", Then::kHangs, 0, {}},
      {"binary junk playlist", kPlaylist + "hostile-junk", Then::kEnds, 0, {}},
      {"100 MB playlist", kPlaylist + "hostile-huge", Then::kEnds, 0, {}},
      {"endless playlist, streamed fast", kPlaylist + "hostile-endless", Then::kEnds, 0, {}},
      {"playlist trickled a few bytes at a time", kPlaylist + "hostile-trickle", Then::kEnds, 5, {}},
      {"playlist dropped after 10 bytes", kPlaylist + "hostile-drop10", Then::kEnds, 0, {}},
      {"endless playlist, trickled", kPlaylist + "hostile-endless-slow", Then::kHangs, 0, {}},
      {"5000 tracks", kPlaylist + "rows-5000", Then::kEnds, 5000, {}},
      // Separators, device names, a 1000-byte title, control bytes, an unterminated quote; the
      // zero byte in the last title ends the document there, so that track gives no row.
      {"hostile titles", kPlaylist + "hostile-titles", Then::kSaveAll, 13, std::vector<std::string>(13, ready)},
      {"broken songs and a program", kPlaylist + "hostile-songs", Then::kSaveAll, 5,
       {failed, failed, failed, ready, ready}},
  };
}

bool ReadsSettled() { return ProfileReadsRunning.load() == 0 && SongListFilled.load() == 0; }

// True when the window answers a message sent from another thread while the loop runs.
bool WindowAnswers() {
  HWND window = MainWindow;
  auto answer = std::async(std::launch::async, [window] {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 10000, &result) != 0;
  });
  RunLoopUntil([&answer] { return answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 15000);
  return answer.get();
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

class HostileSiteTest : public ProgramTest, public ::testing::WithParamInterface<HostileCase> {};

TEST_P(HostileSiteTest, TheProgramKeepsWorkingAndWritesOnlyIntoTheChosenFolder) {
  const HostileCase& c = GetParam();
  const std::string parent = FreshTempFolder("hostile");
  const std::string chosen = parent + "chosen\\";
  ASSERT_TRUE(CreateDirectoryA(chosen.c_str(), nullptr));
  const std::string marker = MarkerOfTheProgram();
  DeleteFileA(marker.c_str());
  ASSERT_TRUE(ServeProgramAsSong(ProgramNextToThisOne("marker_program.exe")));
  ClearRecordedLines();

  StartProfileRead(c.typed);
  if (c.then == Then::kHangs) {
    // Nothing bounds a body that trickles on: the read runs until the user starts another one,
    // which then works to its end (buttons and title too): the old read stops fetching.
    RunLoopFor(3000);
    EXPECT_EQ(ProfileReadsRunning.load(), 1) << "the trickled read ended by itself";
    EXPECT_TRUE(WindowAnswers());
    StartProfileRead("someband");
    EXPECT_TRUE(RunLoopUntil(ReadsSettled, 60000)) << "the replaced read held the new one back";
    EXPECT_EQ(SongRowCount(SongList), 5);
    EXPECT_EQ(GetSongCell(SongList, 0, kColumnName), "Rock & Roll");
    EXPECT_TRUE(IsWindowVisible(SongList));
    ASSERT_TRUE(ReleaseEndlessBodies());
  } else {
    ASSERT_TRUE(RunLoopUntil(ReadsSettled, 180000)) << "the read did not end";
    EXPECT_EQ(SongRowCount(SongList), c.rows);
  }
  EXPECT_TRUE(WindowAnswers());

  if (c.then == Then::kSaveAll) {
    SaveSongsIntoFolder(chosen);
    ASSERT_TRUE(RunLoopUntil(AllJobsEnded, 120000));
    size_t saved = 0;
    for (int row = 0; row < c.rows; ++row) {
      const std::string path = GetSongCell(SongList, row, kColumnPath);
      EXPECT_EQ(GetSongCell(SongList, row, kColumnState), c.states[row]) << "row " << row;
      if (c.states[row] != "Ready!") {
        EXPECT_EQ(path, "") << "row " << row;
        continue;
      }
      ++saved;
      EXPECT_EQ(path.rfind(chosen, 0), 0u) << path;
      EXPECT_EQ(path.find('\\', chosen.size()), std::string::npos) << path;
      EXPECT_TRUE(EndsWith(path, ".mp3")) << path;
      bool exists = false;
      const std::string body = ReadWholeFile(path, &exists);
      EXPECT_TRUE(exists) << path;
      if (GetSongCell(SongList, row, kColumnName) == "Program") {
        EXPECT_EQ(body.compare(0, 2, "MZ"), 0);
        // Play: the saved program is handed to the ".mp3" handler and never runs itself.
        OpenSavedSong(path);
        EXPECT_TRUE(WaitForRecordedLine(path, 15000));
        RunLoopFor(2000);
        bool ran = false;
        ReadWholeFile(marker, &ran);
        EXPECT_FALSE(ran) << "the saved program was started";
      }
    }
    EXPECT_EQ(FolderEntries(chosen).size(), saved);
  }

  for (const std::string& name : FolderEntries(chosen)) {
    EXPECT_FALSE(EndsWith(name, ".part")) << name;
  }
  EXPECT_EQ(FolderEntries(parent), std::vector<std::string>{"chosen"});

  // A new read works afterwards, to the end: rows, buttons and title.
  StartProfileRead("someband");
  ASSERT_TRUE(RunLoopUntil(ReadsSettled, 60000));
  ASSERT_EQ(SongRowCount(SongList), 5);
  EXPECT_EQ(GetSongCell(SongList, 4, kColumnUrl), "http://audio.verdimo.test/songs/tone5.mp3?from=verdimo&id=5");
  EXPECT_TRUE(IsWindow(GetRowButton(SongList, 0)));
  EXPECT_EQ(WindowTextOf(MainWindow), "Verdimo Music Downloader - Some Band");
}

INSTANTIATE_TEST_SUITE_P(Cases, HostileSiteTest, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<HostileCase>& info) {
                           std::string name;
                           for (const char* p = info.param.what; *p != '\0'; ++p) {
                             if ((*p >= 'a' && *p <= 'z') || (*p >= 'A' && *p <= 'Z') || (*p >= '0' && *p <= '9')) name += *p;
                           }
                           return name;
                         });

}  // namespace
