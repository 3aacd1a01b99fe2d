#include "wingui/progress_fill.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "downloads/batch_progress.h"

namespace {

TEST(ProgressFill, WidthOfTheBarForEachFigure) {
  constexpr std::uint64_t kHuge = ~std::uint64_t{0};
  struct Case {
    const char* what;
    std::uint64_t received, announced;
    int cellWidth, width;
  } const cases[] = {
      {"half", 32768, 65536, 86, 43},
      {"rounded down, never a pixel early", 65535, 65536, 86, 85},
      {"one byte short of a pixel", 761, 65536, 86, 0},
      {"the first pixel", 763, 65536, 86, 1},
      {"all of it", 65536, 65536, 86, 86},
      {"more than announced fills the cell and no more", 70000, 65536, 86, 86},
      {"no length announced", 1000, 0, 86, kFillOfUnknownLength},
      {"a cell of no width", 100, 200, 0, 0},
      {"a cell of negative width", 100, 200, -5, 0},
      {"lengths beyond 32 bits", 3ULL << 32, 4ULL << 32, 100, 75},
      {"the largest figures do not overflow", kHuge - 1, kHuge, 1 << 30, (1 << 30) - 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ProgressFillWidth(c.received, c.announced, c.cellWidth), c.width) << c.what;
  }
}

TEST(ProgressFill, ReportsGoThroughAtMostOncePerInterval) {
  ProgressReportGate gate(250);
  const std::uint64_t clock[] = {1000, 1001, 1249, 1250, 1300, 1499, 1500, 5000};
  const bool due[] = {true, false, false, true, false, false, true, true};
  for (size_t i = 0; i < sizeof(clock) / sizeof(clock[0]); ++i) {
    EXPECT_EQ(gate.Due(clock[i]), due[i]) << "at " << clock[i];
  }
  // The stripes move with every report and stay inside their period.
  EXPECT_NE(StripeOffset(1, 8), StripeOffset(2, 8));
  EXPECT_EQ(StripeOffset(8, 8), 0);
  EXPECT_EQ(StripeOffset(5, 0), 0);
}

TEST(BatchProgress, CountsTheEndedSongsAndKeepsTheErrorLook) {
  const BatchLook none = BatchLook::kNone, normal = BatchLook::kNormal, error = BatchLook::kError;
  // Each step: a Save Songs of n songs (n > 0), or a song that ended (0) or failed (-1).
  struct Case {
    const char* what;
    std::vector<int> steps;
    std::vector<BatchShow> shows;
  } const cases[] = {
      {"all well", {3, 0, 0, 0}, {{normal, 0, 3}, {normal, 1, 3}, {normal, 2, 3}, {none, 3, 3}}},
      {"one failed, the rest stays in error", {3, 0, -1, 0},
       {{normal, 0, 3}, {normal, 1, 3}, {error, 2, 3}, {none, 3, 3}}},
      {"a second Save Songs joins the running batch", {2, 0, 2, 0, 0, 0},
       {{normal, 0, 2}, {normal, 1, 2}, {normal, 1, 4}, {normal, 2, 4}, {normal, 3, 4}, {none, 4, 4}}},
      {"the next batch starts afresh, without the old failure", {1, -1, 2, 0},
       {{normal, 0, 1}, {none, 1, 1}, {normal, 0, 2}, {normal, 1, 2}}},
      {"a single save outside a batch changes nothing", {0, 1, 0}, {{none, 0, 0}, {normal, 0, 1}, {none, 1, 1}}},
      {"an empty list starts no batch", {0}, {{none, 0, 0}}},
  };
  for (const Case& c : cases) {
    BatchProgress batch;
    std::vector<BatchShow> shows;
    for (int step : c.steps) shows.push_back(step > 0 ? batch.Begin(step) : batch.SongEnded(step < 0));
    ASSERT_EQ(shows.size(), c.shows.size()) << c.what;
    for (size_t i = 0; i < shows.size(); ++i) {
      EXPECT_EQ(shows[i].look, c.shows[i].look) << c.what << ", step " << i;
      EXPECT_EQ(shows[i].ended, c.shows[i].ended) << c.what << ", step " << i;
      EXPECT_EQ(shows[i].total, c.shows[i].total) << c.what << ", step " << i;
    }
  }
}

}  // namespace
