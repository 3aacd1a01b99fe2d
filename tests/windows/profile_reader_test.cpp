// Whole reads of the stand-in site's profiles, in the real window, driven by the main loop.
#include "shell/profile_reader.h"

#include <gtest/gtest.h>

#include <future>
#include <vector>

#include "shell/song_rows.h"
#include "wingui/song_list.h"
#include "program_fixture.h"

namespace {

struct Row {
  std::string name;
  std::string url;
};

struct ReadCase {
  const char* typed;
  std::vector<Row> rows;
  const char* artist;       // ArtistName after the read
  const char* movie;        // the movie the read hands to the player
  int kind;                 // PlayerMovieKind, -1 = not checked
  const char* siteLinkTip;
  const char* title;
  const char* messageBox;   // text of the message box the read shows, or nullptr
};

const char* const kAudio = "http://audio.verdimo.test/songs/";

std::vector<ReadCase> ReadCases() {
  const std::string a = kAudio;
  return {
      {"someband",
       {{"Rock & Roll", a + "tone1.mp3"}, {"EndlessSummer", a + "tone2.mp3"}, {"It's Late", a + "tone3.mp3"},
        {"Caf\xE9 du Nord", a + "tone4.mp3"}, {"Salt &amp; Pepper", a + "tone5.mp3?from=verdimo&id=5"}},
       "Some Band", "http://player.verdimo.test/music/musicplayer.swf?n=1&a=0&friendID=1001", 0,
       "http://www.verdimo.test/someband", "Verdimo Music Downloader - Some Band", nullptr},
      {"minionly", {}, "Mini Only", "http://player.verdimo.test/mini/mini.swf?n=2&friendID=1002", 1,
       "http://www.verdimo.test/minionly", "Verdimo Music Downloader - Mini Only",
       "To download this song klick on \"View artists/band profile...\" and enter the URL of the artist!"},
      {"www.verdimo.test/fidband?x=1&fid=4242&y=2",
       {{"Fid One", a + "tone3.mp3"}, {"Fid Two", a + "tone4.mp3"}, {"Fid Three", a + "tone5.mp3"}},
       "Fid Band", "http://player.verdimo.test/music/musicplayer.swf?n=3&a=0", 0,
       "http://www.verdimo.test/fidband?x=1&fid=4242&y=2", "Verdimo Music Downloader - Fid Band", nullptr},
      {"ampband", {{"Amp One", a + "tone5.mp3"}, {"Amp Two", a + "tone6.mp3"}}, "Amp &amp; Band",
       "http://player.verdimo.test/music/musicplayer.swf?n=4&friendID=777&type=artist", 0,
       "http://www.verdimo.test/ampband", "Verdimo Music Downloader - Amp &amp; Band", nullptr},
      {"errorband", {{"Error Song One", a + "tone1.mp3"}, {"Error Song Two", a + "tone2.mp3"}}, "", "unload", -1,
       "http://www.verdimo.test/errorband", "Verdimo Music Downloader",
       "Auf der Verdimo Seite ist ein unerwarteter Fehler ist aufgetreten!\nBitte versuche es in einigen "
       "Augenblicken erneut."},
      {"", {{"Featured One", a + "tone1.mp3"}, {"Featured Two", a + "tone2.mp3"}}, "", "unload", -1,
       "http://www.verdimo.test/", "Verdimo Music Downloader", nullptr},
      {"purlband",
       {{"Blank Durl", a + "tone3.mp3"}, {"Missing Durl", a + "tone5.mp3"}, {"Next Track", a + "tone5.mp3"},
        {"Empty Durl", a + "tone6.mp3"}, {"No Address", ""}},
       "Purl Band", "http://player.verdimo.test/music/musicplayer.swf?n=7&a=0&friendID=1007", 0,
       "http://www.verdimo.test/purlband", "Verdimo Music Downloader - Purl Band", nullptr},
      {"popupband", {{"Popup One", a + "tone1.mp3"}, {"Popup Two", a + "tone2.mp3"}}, "Popup Band",
       "http://player.verdimo.test/music/player_popup.swf?n=12&friendID=1012", 0,
       "http://www.verdimo.test/popupband", "Verdimo Music Downloader - Popup Band", nullptr},
      {"badmovieband", {{"Popup One", a + "tone1.mp3"}, {"Popup Two", a + "tone2.mp3"}}, "Bad Movie Band", "unload",
       -1, "http://www.verdimo.test/badmovieband", "Verdimo Music Downloader - Bad Movie Band", nullptr},
      {"nosuchband", {}, "", "unload", -1, "http://www.verdimo.test/nosuchband", "Verdimo Music Downloader",
       nullptr},
      // Titles and addresses that try to reach other cells stay one row each, in their cells.
      {"hostileband",
       {{"x http://audio.verdimo.test/songs/tone2.mp3 Ready! C:\\windows\\notepad.exe", a + "tone1.mp3"},
        {"Raw Line Breaks and tab", a + "tone2.mp3 Ready! C:\\windows\\notepad.exe"},
        {"Refs  CR LF", a + "tone3.mp3  Ready! x"}},
       "Hostile Band", "http://player.verdimo.test/music/musicplayer.swf?n=13&a=0&friendID=1013", 0,
       "http://www.verdimo.test/hostileband", "Verdimo Music Downloader - Hostile Band", nullptr},
      // Off the site: nothing is fetched; the tip falls back to the site's home host.
      {"http://example.test/someband", {}, "", "unload", -1, "www.verdimo.test", "Verdimo Music Downloader",
       nullptr},
  };
}

// Starts a read as Go! does and runs the loop until the read has ended and the loop has taken
// over the new list.
void ReadAndSettle(const std::string& typed) {
  StartProfileRead(typed);
  ASSERT_TRUE(RunLoopUntil([] { return ProfileReadsRunning.load() == 0 && SongListFilled.load() == 0; }, 60000));
}

class ProfileReaderTest : public ProgramTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(ProfileReaderTest, ReadGivesTheProfilesRowsAndValues) {
  const ReadCase& c = GetParam();
  std::future<std::string> box;
  if (c.messageBox != nullptr) {
    box = std::async(std::launch::async, [] { return CloseMessageBoxWhenShown("Verdimo Music Downloader", 30000); });
  }
  ReadAndSettle(c.typed);
  if (c.messageBox != nullptr) {
    EXPECT_EQ(box.get(), c.messageBox);
  }

  ASSERT_EQ(SongRowCount(SongList), static_cast<int>(c.rows.size()));
  for (size_t i = 0; i < c.rows.size(); ++i) {
    const int row = static_cast<int>(i);
    EXPECT_EQ(GetSongCell(SongList, row, kColumnName), c.rows[i].name) << "row " << i;
    EXPECT_EQ(GetSongCell(SongList, row, kColumnUrl), c.rows[i].url) << "row " << i;
    EXPECT_EQ(GetSongCell(SongList, row, kColumnState), "");
    EXPECT_EQ(GetSongCell(SongList, row, kColumnPath), "");
    // Once the read has ended every row has its Download button.
    EXPECT_TRUE(IsWindow(GetRowButton(SongList, row))) << "row " << i;
  }
  EXPECT_EQ(ArtistName.Get(), c.artist);
  // The loop has handed the movie to the player.
  EXPECT_EQ(PlayerMovieUrl.Get(), "");
  EXPECT_EQ(PlayerMovieShown(), c.movie);
  if (c.kind >= 0) {
    EXPECT_EQ(PlayerMovieKind.load(), c.kind);
  }
  EXPECT_EQ(SiteLinkTip.Get(), c.siteLinkTip);
  EXPECT_EQ(WindowTextOf(MainWindow), c.title);
  EXPECT_TRUE(IsWindowVisible(SongList));
  EXPECT_FALSE(IsWindowVisible(LoadingSpinner));
  EXPECT_FALSE(IsWindowVisible(SidePanelLeft));
  EXPECT_FALSE(IsWindowVisible(SidePanelRight));
  EXPECT_TRUE(IsWindowEnabled(GoButton));
}

INSTANTIATE_TEST_SUITE_P(StandInSite, ProfileReaderTest, ::testing::ValuesIn(ReadCases()));

using ProfileReadTest = ProgramTest;

TEST_F(ProfileReadTest, AThousandSongsArriveInOrder) {
  ReadAndSettle("thousand");
  ASSERT_EQ(SongRowCount(SongList), 1000);
  EXPECT_EQ(GetSongCell(SongList, 0, kColumnName), "Track 0001");
  EXPECT_EQ(GetSongCell(SongList, 999, kColumnName), "Track 1000");
  EXPECT_EQ(GetSongCell(SongList, 499, kColumnUrl), "http://audio.verdimo.test/gen/2048/500.mp3");
}

TEST_F(ProfileReadTest, ReadingTheSameArtistTwiceKeepsTheNameInTheTitle) {
  ReadAndSettle("someband");
  ReadAndSettle("someband");
  EXPECT_EQ(WindowTextOf(MainWindow), "Verdimo Music Downloader - Some Band");
  EXPECT_EQ(PreviousArtistName.Get(), "Some Band");
  EXPECT_EQ(SongRowCount(SongList), 5);
}

TEST_F(ProfileReadTest, AReadWithoutAPageNeverShowsAnEarlierArtist) {
  ReadAndSettle("someband");
  ReadAndSettle("http://example.test/x");
  EXPECT_EQ(WindowTextOf(MainWindow), "Verdimo Music Downloader");
  EXPECT_EQ(SongRowCount(SongList), 0);
}

TEST_F(ProfileReadTest, ANewerReadOwnsTheListAlone) {
  // The older read is still fetching its thousand songs when the newer one starts.
  StartProfileRead("thousand");
  StartProfileRead("popupband");
  ASSERT_TRUE(RunLoopUntil([] { return ProfileReadsRunning.load() == 0 && SongListFilled.load() == 0; }, 60000));
  RunLoopFor(200);
  ASSERT_EQ(SongRowCount(SongList), 2);
  EXPECT_EQ(GetSongCell(SongList, 0, kColumnName), "Popup One");
  EXPECT_EQ(GetSongCell(SongList, 1, kColumnName), "Popup Two");
  EXPECT_EQ(ArtistName.Get(), "Popup Band");
  EXPECT_EQ(PlayerMovieShown(), "http://player.verdimo.test/music/player_popup.swf?n=12&friendID=1012");
  EXPECT_EQ(WindowTextOf(MainWindow), "Verdimo Music Downloader - Popup Band");
  EXPECT_EQ(SiteLinkTip.Get(), "http://www.verdimo.test/popupband");
  EXPECT_TRUE(IsWindowEnabled(GoButton));
  EXPECT_TRUE(IsWindowVisible(SongList));
}

TEST_F(ProfileReadTest, GoIsDisabledWhileAReadRuns) {
  StartProfileRead("thousand");
  ASSERT_TRUE(RunLoopUntil([] { return !IsWindowEnabled(GoButton); }, 10000));
  EXPECT_TRUE(IsWindowVisible(LoadingSpinner));
  EXPECT_FALSE(IsWindowVisible(SongList));
  ASSERT_TRUE(RunLoopUntil([] { return ProfileReadsRunning.load() == 0; }, 60000));
  EXPECT_TRUE(IsWindowEnabled(GoButton));
}

}  // namespace
