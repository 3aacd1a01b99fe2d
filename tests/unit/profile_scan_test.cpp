// The playlist scan: the rows of hand-written documents, and the fast scan checked against the
// direct Between-from-every-track version on those and on many generated documents.
#include "acquisition/profile_scan.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "reference/profile_scan_plain.h"

namespace {

using Rows = std::vector<std::pair<std::string, std::string>>;

Rows RowsOf(const std::vector<PlaylistSong>& songs) {
  Rows rows;
  for (const PlaylistSong& song : songs) rows.emplace_back(song.name, song.url);
  return rows;
}

struct Case {
  const char* what;
  std::string doc;
  Rows rows;
};

const std::vector<Case>& HandWrittenCases() {
  static const std::vector<Case> cases = {
      {"two tracks",
       "<list><track title=\"One\" durl=\"http://s/1.mp3\" purl=\"http://p/1\"/>"
       "<track title=\"Two\" durl=\"http://s/2.mp3\" purl=\"http://p/2\"/></list>",
       {{"One", "http://s/1.mp3"}, {"Two", "http://s/2.mp3"}}},
      {"blank or empty durl takes purl",
       "<t title=\"One\" durl=\"  \" purl=\"p1\"/><t title=\"Two\" durl=\"\" purl=\"p2\"/>",
       {{"One", "p1"}, {"Two", "p2"}}},
      {"missing durl takes the next track's",
       "<t title=\"One\" purl=\"p1\"/><t title=\"Two\" durl=\"d2\" purl=\"p2\"/>",
       {{"One", "d2"}, {"Two", "d2"}}},
      {"missing purl too is searched on",
       "<t title=\"One\" durl=\"\"/><t title=\"Two\" durl=\"d2\" purl=\"p2\"/>",
       {{"One", "p2"}, {"Two", "d2"}}},
      {"neither address", "<t title=\"One\"/>", {{"One", ""}}},
      {"blank durl and no purl leaves the URL empty", "<t title=\"One\" durl=\" \"/>",
       {{"One", ""}}},
      {"empty title gives no row",
       "<t title=\"\" durl=\"d1\"/><t title=\"Two\" durl=\"d2\"/>", {{"Two", "d2"}}},
      {"blank title is a title", "<t title=\" \" durl=\"d1\"/>", {{" ", "d1"}}},
      {"titles and addresses are decoded once",
       "<t title=\"Rock &amp; Roll\" durl=\"http://s/a.mp3?x=1&amp;y=2\"/>"
       "<t title=\"K&amp;auml;se\" durl=\"d\"/>",
       {{"Rock & Roll", "http://s/a.mp3?x=1&y=2"}, {"K\xE4;se", "d"}}},
      {"a title that decodes to nothing still gives a row",
       "<t title=\"&lt;wbr&gt;\" durl=\"d\"/>", {{"", "d"}}},
      {"no track marker", "<list><track name=\"x\" durl=\"d\"/></list>", {}},
      {"empty document", "", {}},
      {"missing closing quote of a title skips the song",
       "<t title=\"One\" durl=\"d1\"/><t title=\"Two durl=d2", {{"One", "d1"}}},
      {"missing closing quote of durl falls back to purl", "<t title=\"One\" purl=\"p1\" durl=\"d",
       {{"One", "p1"}}},
      {"track marker without quote takes the next title",
       "<t title=One durl=\"d1\"/><t title=\"Two\" durl=\"d2\"/>",
       {{"Two", "d1"}, {"Two", "d2"}}},
      {"marker inside another attribute counts",
       "<t subtitle=\"x\" title=\"A\" durl=\"d\"/>", {{"x", "d"}, {"A", "d"}}},
      {"marker at the very end", "<t title=\"One\" durl=\"d\"/>title=", {{"One", "d"}}},
      // Titles and addresses that try to reach other cells: every control byte, raw or made by
      // decoding, becomes a blank, and each track stays one row.
      {"line breaks and tabs, raw and as references, never leave their cell",
       "<t title=\"x&#10;http://e/evil.mp3&#10;Ready!&#10;C:\\windows\\notepad.exe\" durl=\"d1\"/>"
       "<t title=\"a\nb\rc\td\" durl=\"http://s/2.mp3&#13;&#10;Ready!\"/>"
       "<t title=\"e&#9;f&#13;g&#127;h\x01i\" durl=\"d3\nd\r\"/>",
       {{"x http://e/evil.mp3 Ready! C:\\windows\\notepad.exe", "d1"},
        {"a b c d", "http://s/2.mp3  Ready!"},
        {"e f g h i", "d3 d "}}},
  };
  return cases;
}

// A document of tracks that each may lack a value, hold a blank or empty one, miss a closing
// quote, carry entities, or use the marker without a quote.
std::string GeneratedDocument(std::mt19937& random) {
  static const char* const kTitles[] = {"A", "", " ", "Rock &amp; Roll", "K&amp;auml;se",
                                        "x&#39;y", "&lt;wbr&gt;"};
  static const char* const kAddresses[] = {"http://s/1.mp3", "", "  ", "a&amp;b", "p"};
  auto pick = [&random](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
  std::string doc = "<playlist>";
  for (int tracks = pick(8); tracks > 0; --tracks) {
    doc += "<track";
    switch (pick(8)) {
      case 0: break;                                         // no title
      case 1: doc += " title=" + std::string(kTitles[pick(7)]); break;  // no quotes
      default: doc += " title=\"" + std::string(kTitles[pick(7)]) + "\""; break;
    }
    if (pick(3) != 0) doc += " durl=\"" + std::string(kAddresses[pick(5)]) + "\"";
    if (pick(3) != 0) doc += " purl=\"" + std::string(kAddresses[pick(5)]) + "\"";
    doc += "/>";
    if (pick(12) == 0) doc += "<b title=\"unclosed";       // cuts the document short
  }
  return doc + "</playlist>";
}

// Short random runs of the pieces that matter, in any order, to reach odd overlaps.
std::string ShuffledDocument(std::mt19937& random) {
  static const char* const kPieces[] = {"title=", "title=\"", "durl=\"", "purl=\"", "\"",
                                        " ",      "x",        "&amp;",   "t",       "itle="};
  std::uniform_int_distribution<int> count(0, 24);
  std::uniform_int_distribution<int> piece(0, 9);
  std::string doc;
  for (int n = count(random); n > 0; --n) doc += kPieces[piece(random)];
  return doc;
}

}  // namespace

TEST(ProfileScan, HandWrittenDocuments) {
  for (const Case& c : HandWrittenCases()) {
    EXPECT_EQ(RowsOf(ScanPlaylist(c.doc)), c.rows) << c.what;
    EXPECT_EQ(RowsOf(ScanPlaylistPlain(c.doc)), c.rows) << "plain: " << c.what;
  }
}

TEST(ProfileScan, CallbackFormHandsOverTheSameSongsInOrder) {
  const Case& two = HandWrittenCases().front();
  std::vector<PlaylistSong> seen;
  ScanPlaylist(two.doc, [&seen](PlaylistSong&& song) { seen.push_back(std::move(song)); });
  EXPECT_EQ(RowsOf(seen), two.rows);
}

TEST(ProfileScan, AgreesWithDirectScanOnGeneratedDocuments) {
  std::mt19937 random(1234);
  for (int i = 0; i < 50000; ++i) {
    const std::string doc = GeneratedDocument(random);
    ASSERT_EQ(RowsOf(ScanPlaylist(doc)), RowsOf(ScanPlaylistPlain(doc))) << doc;
  }
  for (int i = 0; i < 200000; ++i) {
    const std::string doc = ShuffledDocument(random);
    ASSERT_EQ(RowsOf(ScanPlaylist(doc)), RowsOf(ScanPlaylistPlain(doc))) << doc;
  }
}

namespace {

// The site's largest playlist (friend ID "rows-100000"), as the stand-in generates it. The
// Windows-side test lists a smaller one, since 100,000 rows take long to fill under Wine.
TEST(ProfileScan, TheLargestPlaylistOfTheSiteGivesAllItsRows) {
  std::string doc = "<playlist>\n";
  for (int k = 1; k <= 100000; ++k) {
    doc += "<song title=\"Track " + std::to_string(k) + "\" durl=\"http://audio.verdimo.test/gen/2048/" +
           std::to_string(k) + ".mp3\" purl=\"\" />\n";
  }
  doc += "</playlist>\n";
  const std::vector<PlaylistSong> songs = ScanPlaylist(doc);
  ASSERT_EQ(songs.size(), 100000u);
  for (int k : {1, 50000, 100000}) {
    EXPECT_EQ(songs[k - 1].name, "Track " + std::to_string(k));
    EXPECT_EQ(songs[k - 1].url, "http://audio.verdimo.test/gen/2048/" + std::to_string(k) + ".mp3");
  }
}

}  // namespace

// The bounds keep a hostile playlist's rows small however its values repeat: the documents are
// small, the values they would have given are not.
TEST(ProfileScan, BoundsTakeHoldAsValuesAreTaken) {
  const auto repeat = [](const std::string& piece, std::size_t times) {
    std::string text;
    for (std::size_t i = 0; i < times; ++i) text += piece;
    return text;
  };
  const std::string longTitle = "<t title=\"" + std::string(100 * 1024, 'x') + "\"/>";
  const std::string nameOf1024 = "<t title=\"" + std::string(1024, 'n') + "\"/>";
  const struct {
    const char* what;
    std::string doc;
    std::size_t rows;
    std::size_t nameSize;  // of the last row
    std::string url;       // of the last row
    bool complete;
  } cases[] = {
      {"bare marks before one long title", repeat("title=", 20000) + longTitle, 20001, 1024, "", true},
      {"a name is cut after decoding", "<t title=\"&amp;" + std::string(2000, 'x') + "\"/>", 1, 1024, "", true},
      {"an address of 2,048 bytes", "<t title=\"a\" durl=\"http://" + std::string(2041, 'd') + "\"/>", 1, 1,
       "http://" + std::string(2041, 'd'), true},
      {"an address of 2,049 bytes", "<t title=\"a\" durl=\"http://" + std::string(2042, 'd') + "\"/>", 1, 1, "", true},
      {"entities shorten an address", "<t title=\"a\" durl=\"" + repeat("&amp;", 1000) + "\"/>", 1, 1,
       std::string(1000, '&'), true},
      {"a raw address past the value bound", "<t title=\"a\" durl=\"" + repeat("<wbr>", 2000) + "x\"/>", 1, 1, "",
       true},
      {"one row too many", repeat("<t title=\"s\"/>", kMostPlaylistSongs + 1), kMostPlaylistSongs, 1, "", false},
      {"names past the text bound", repeat("title=", 70000) + nameOf1024, kMostPlaylistTextBytes / 1024, 1024, "",
       false},
  };
  for (const auto& c : cases) {
    bool complete = !c.complete;
    const std::vector<PlaylistSong> songs = ScanPlaylist(c.doc, &complete);
    ASSERT_EQ(songs.size(), c.rows) << c.what;
    EXPECT_EQ(songs.back().name.size(), c.nameSize) << c.what;
    EXPECT_EQ(songs.back().url, c.url) << c.what;
    EXPECT_EQ(complete, c.complete) << c.what;
    if (c.doc.size() < 50000) {  // the plain scan copies every value whole
      EXPECT_EQ(RowsOf(ScanPlaylistPlain(c.doc)), RowsOf(songs)) << "plain: " << c.what;
    }
  }
}
