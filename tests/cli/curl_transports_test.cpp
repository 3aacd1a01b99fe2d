// The libcurl transports against the stand-in site, which this program starts on a free port.
#include "cli/curl_transports.h"

#include <gtest/gtest.h>

#include "acquisition/profile_read.h"
#include "cli/stand_in_site.h"

namespace fs = std::filesystem;
namespace {

struct Rows : ProfileReadEvents {
  std::vector<std::pair<std::string, std::string>> rows;
  bool StillWanted() override { return true; }
  void Fetching(bool) override {}
  void AddressKnown(const std::string&, const std::string&) override {}
  void PageRead(const ProfilePage&) override {}
  std::size_t SongsFound(std::vector<PlaylistSong>& songs, std::size_t) override {
    for (const PlaylistSong& song : songs) rows.emplace_back(song.name, song.url);
    return songs.size();
  }
  void Message(ReadMessage, const std::string&) override {}
  void Ended(const ProfileReadEnd&) override {}
};

}  // namespace

TEST(CurlTransports, PagesAndSongsFollowTheRulesAndResume) {
  const StandInSite site("verdimo-cli");
  ASSERT_FALSE(site.proxy().empty());
  const fs::path& dir = site.dir();
  const std::string a = "http://audio.verdimo.test";
  const std::string cut = a + "/fault/cut-once.mp3?bytes=100000&id=" + dir.filename().string();
  std::ofstream(dir / "stale.mp3.part") << "not the song";
  const struct {  // in order; pageLength 1: any body; partBytes: the ".part" afterwards, -1 for none
    std::string url, target, validator;
    int keepPart, pageLength, complete, resumed, partBytes;
  } rows[] = {
      {"http://www.verdimo.test/someband", "", "", 0, 1, 0, 0, -1},
      {"file:///etc/hostname", "", "", 0, -2, 0, 0, -1},
      {a + "/gen/100000/0.mp3", "whole.mp3", "", 0, 0, 1, 0, -1},
      {a + "/fault/404.mp3", "404.mp3", "", 1, 0, 0, 0, -1},
      {"file:///etc/hostname", "file.mp3", "", 0, 0, 0, 0, -1},
      {a + "/fault/stall.mp3?seconds=20", "stall.mp3", "", 0, 0, 0, 0, -1},
      {cut, "cut.mp3", "", 1, 0, 0, 0, 50000},
      {cut, "cut.mp3", "previous", 0, 0, 1, 1, -1},
      {a + "/gen/100000/0.mp3", "stale.mp3", "\"stale\"", 0, 0, 1, 0, -1},
  };
  CurlPageTransport pages;
  CurlFileTransport songs(TransferLimits{1024, 2000, TransferLimits().maxBytes});
  std::string previous;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.url + " " + row.target);
    FetchBuffer buffer{};
    ASSERT_TRUE(PrepareFetchBuffer(buffer, pages.Allocator()));
    EXPECT_EQ(std::min(row.target.empty() ? pages.Fetch(row.url, buffer, {}) : 0, 1), row.pageLength);
    FreeFetchBuffer(buffer, pages.Allocator());
    if (row.target.empty()) continue;
    const fs::path target = dir / row.target, part = target.string() + ".part";  // "previous": the last row's
    const ResumeOutcome got = songs.TransferResumable(row.url, target.string(), {!row.validator.empty(), row.validator == "previous" ? previous : row.validator, row.keepPart != 0}, {}, nullptr);
    previous = got.validator;
    EXPECT_EQ(std::make_tuple(got.complete, got.resumed, fs::exists(part) ? static_cast<int>(fs::file_size(part)) : -1, Slurp(target)),
              std::make_tuple(row.complete != 0, row.resumed != 0, row.partBytes, row.complete ? Slurp(dir / "whole.mp3") : "none"));
  }
  Rows read;
  ReadProfile("someband", pages, read);
  const std::string s = a + "/songs/";  // the rows the window lists for it
  EXPECT_EQ(read.rows, (decltype(read.rows){{"Rock & Roll", s + "tone1.mp3"}, {"EndlessSummer", s + "tone2.mp3"},
                                           {"It's Late", s + "tone3.mp3"}, {"Caf\xE9 du Nord", s + "tone4.mp3"},
                                           {"Salt &amp; Pepper", s + "tone5.mp3?from=verdimo&id=5"}}));
}
