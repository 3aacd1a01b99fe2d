#include "net/song_address.h"

#include <gtest/gtest.h>

#include <vector>

TEST(SongAddress, BlanksAndHighBytesAreEncodedAndOnlyWebAddressesAreFetched) {
  const struct { std::string raw, encoded; bool fetched; } cases[] = {
      {"http://a.test/My Song \xE9t\xE9.mp3?x=1 2", "http://a.test/My%20Song%20%E9t%E9.mp3?x=1%202", true},
      {"http://a.test/a%20b%E9.mp3", "http://a.test/a%20b%E9.mp3", true},
      {"file:///C:/windows/win.ini", "file:///C:/windows/win.ini", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EncodeSongAddress(c.raw), c.encoded) << c.raw;
    EXPECT_EQ(SongAddressToFetch(c.raw), c.fetched ? c.encoded : "") << c.raw;
  }
}

TEST(SongAddress, OnlyA2xxStatusIsASong) {
  for (std::uint32_t status : {0u, 199u, 200u, 299u, 300u, 404u}) EXPECT_EQ(IsSuccessStatus(status), status / 100 == 2);
}

TEST(TransferPace, EndsACrawlingTransferAndCountsPast4GiB) {
  // Reports of (received, at ms); then the total, and whether the transfer must end at ms "at".
  const struct { std::vector<std::pair<std::uint32_t, std::uint64_t>> reports; std::uint64_t at, total; bool ends; } cases[] = {
      {{{1024, 59000}}, 118999, 1024, false},                            // 1 KB starts the window again
      {{{1024, 1000}, {2047, 60000}}, 61000, 2047, true},                // then less than 1 KB in a window
      {{{0xFFFFFF00u, 10}, {0x40000001u, 20}}, 30, 0x140000001u, true},  // past 4 GiB, then the bound
      {{{500, 10}, {0, 20}, {300, 30}}, 40, 800, false},                 // a new request after a redirect
  };
  for (const auto& c : cases) {
    TransferPace pace({1024, 60000, std::uint64_t{5} << 30}, 0);
    for (const auto& [received, ms] : c.reports) pace.Reported(received, ms);
    EXPECT_EQ(pace.Received(), c.total) << c.total;
    EXPECT_EQ(pace.MustEnd(c.at), c.ends) << c.total;
  }
}
