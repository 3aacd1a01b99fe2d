// Reading a profile typed into the address field: the rows of the site's playlist, the artist
// in the title, and a name the site does not know.
#include <gtest/gtest.h>

#include <string>

#include "e2e/program_driver.h"
#include "e2e/program_test.h"

namespace {

class ReadTest : public ProgramTest {};

const std::string kPlainTitle = kProgramTitle;

struct ExpectedRow {
  const char* name;
  const char* url;
};

// someband's playlist after entity decoding; names are Windows-1252 bytes.
const ExpectedRow kSomebandRows[] = {
    {"Rock & Roll", "http://audio.verdimo.test/songs/tone1.mp3"},
    {"EndlessSummer", "http://audio.verdimo.test/songs/tone2.mp3"},
    {"It's Late", "http://audio.verdimo.test/songs/tone3.mp3"},
    {"Caf\xE9 du Nord", "http://audio.verdimo.test/songs/tone4.mp3"},
    {"Salt &amp; Pepper", "http://audio.verdimo.test/songs/tone5.mp3?from=verdimo&id=5"},
};

TEST_F(ReadTest, ProfileNameListsItsSongsAndPutsTheArtistInTheTitle) {
  long long logOffset = 0;
  ASSERT_NO_FATAL_FAILURE(ReadProfile("someband", 5, &logOffset));
  const std::vector<SongRow> rows = SongRows(run_);
  ASSERT_EQ(5u, rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE("row " + std::to_string(i));
    EXPECT_EQ(kSomebandRows[i].name, rows[i].name);
    EXPECT_EQ(kSomebandRows[i].url, rows[i].url);
    EXPECT_EQ("", rows[i].state);
    EXPECT_EQ("", rows[i].path);
  }
  EXPECT_TRUE(PollUntil([&] { return WindowTitle(run_.window) == kPlainTitle + " - Some Band"; }, 10000))
      << WindowTitle(run_.window);
  EXPECT_TRUE(RequestLogged(logOffset, "GET",
                            "http://media.verdimo.test:80/services/media/musicplayerxml.ashx?b=1001", 200));
  EXPECT_TRUE(PollUntil([&] { return Enabled(Control(run_, kSaveButtonId)); }, 10000))
      << "Save Songs stays disabled with rows in the list";
}

TEST_F(ReadTest, UnknownNameListsNothingAndLeavesThePlainTitle) {
  // The end of a read is seen before the loop's next pass has set the title; watching for a
  // while shows that no other title and no row turn up.
  const auto staysEmptyAndPlain = [&] {
    return !PollUntil(
        [&] { return WindowTitle(run_.window) != kPlainTitle || SongRowCount(run_) != 0; }, 1000);
  };

  long long logOffset = 0;
  ASSERT_NO_FATAL_FAILURE(ReadProfile("nosuchband", 0, &logOffset));
  EXPECT_TRUE(RequestLogged(logOffset, "GET", "http://www.verdimo.test:80/nosuchband", 404));
  EXPECT_TRUE(staysEmptyAndPlain()) << "title \"" << WindowTitle(run_.window) << "\", "
                                    << SongRowCount(run_) << " rows";

  // After a profile with an artist and songs, the unknown name clears both again.
  ASSERT_NO_FATAL_FAILURE(ReadProfile("someband", 5));
  ASSERT_TRUE(PollUntil([&] { return WindowTitle(run_.window) == kPlainTitle + " - Some Band"; }, 10000))
      << WindowTitle(run_.window);
  ASSERT_NO_FATAL_FAILURE(ReadProfile("nosuchband", 0));
  EXPECT_TRUE(staysEmptyAndPlain()) << "title \"" << WindowTitle(run_.window) << "\", "
                                    << SongRowCount(run_) << " rows";
  EXPECT_TRUE(PollUntil([&] { return !IsWindowEnabled(Control(run_, kSaveButtonId)); }, 10000))
      << "Save Songs stays enabled with an empty list";
}

}  // namespace
