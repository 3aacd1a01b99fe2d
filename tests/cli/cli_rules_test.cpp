// The command line's small rules: layouts, rates, retries' waits, batch files, exit codes and the
// progress line's time left.
#include <gtest/gtest.h>

#include "cli/cli_options.h"
#include "cli/output_template.h"
#include "cli/rate_limit.h"
#include "cli/retries.h"
#include "cli/run_output.h"

TEST(CliRules, LayoutsStayInTheFolder) {
  const struct { std::string layout, artist, title; std::size_t index, count; std::string path; } rows[] = {
      {"{title}.mp3", "A", "Song", 1, 1, "Song.mp3"},
      {"{artist}/{index} {title}.mp3", "Some Band", "Song", 7, 120, "Some Band/007 Song.mp3"},
      {"{artist}/{title}", "../..", "a/b\\c", 1, 1, ".._/a_b_c"},
      {"{artist}/{title}", "..", "x", 1, 1, "_/x"},
      {"../{title}", "A", "x", 1, 1, ""},
      {"/{title}", "A", "x", 1, 1, ""},
      {"{artist}//{title}", "A", "x", 1, 1, ""},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(ExpandTemplate(row.layout, {row.artist, row.title, row.index, row.count}, kNativeNameBounds), row.path)
        << row.layout << " " << row.artist;
  }
}

TEST(CliRules, RatesWaitsBatchesAndExitCodes) {
  const struct { std::string text; std::uint64_t rate; } rates[] = {
      {"500K", 512000}, {"2M", 2097152}, {"1.5k", 1536}, {"300", 300}, {"", 0}, {"5X", 0}, {"-1K", 0}, {"K", 0}};
  for (const auto& row : rates) EXPECT_EQ(ParseRate(row.text), row.rate) << row.text;

  const struct { int retry; std::uint32_t after; long long least, most; } waits[] = {
      {1, 0, 750, 1250}, {3, 0, 3000, 5000}, {10, 0, 1, 60000}, {2, 5, 5000, 5000}, {1, 500, 60000, 60000}};
  for (const auto& row : waits) {
    for (std::uint32_t seed : {0u, 12345u, 0xFFFFFFFFu}) {
      const long long wait = RetryWait(row.retry, row.after, seed).count();
      EXPECT_TRUE(wait >= row.least && wait <= row.most) << row.retry << " " << wait;
    }
  }
  EXPECT_EQ(std::make_tuple(IsTransient(TransferFailure::kHttpStatus, 503), IsTransient(TransferFailure::kHttpStatus, 404),
                            IsTransient(TransferFailure::kNoData, 0), IsTransient(TransferFailure::kDiskFull, 0)),
            std::make_tuple(true, false, true, false));

  EXPECT_EQ(BatchProfiles("# list\n  a \r\n\nb # c\n#d\nhttp://x/#y\n"),
            (std::vector<std::string>{"a", "b", "http://x/#y"}));
  EXPECT_EQ(std::make_tuple(WorseExitCode(1, 3), WorseExitCode(3, 2), WorseExitCode(143, 130), WorseExitCode(0, 129)),
            std::make_tuple(3, 3, 130, 129));

  ProgressFigures figures;  // 1 MB a second, 2 MB still announced, two songs of 1 MB waiting
  figures.songs = 5;
  figures.ended = 2;
  figures.running = 1;
  figures.transferred = 2;
  figures.savedBytes = 2u << 20;
  figures.bytes = 4u << 20;
  figures.announcedLeft = 2u << 20;
  EXPECT_NE(ProgressLine(figures, 4.0, 200).find("0:04 left"), std::string::npos) << ProgressLine(figures, 4.0, 200);
}
