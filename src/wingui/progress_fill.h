// How far a State cell's fill reaches while its row is "Downloading...", and how often a
// transfer's figure is worth drawing again.
#pragma once

#include <cstdint>

// What ProgressFillWidth answers when the server announced no length: the cell shows the moving
// stripes instead of a bar.
constexpr int kFillOfUnknownLength = -1;

// The pixels of a cell cellWidth wide that the bar of received of announced bytes covers, rounded
// down, from 0 to cellWidth: more bytes than announced fill the cell and no more. An announced
// length of 0 is no length (an empty body has nothing to show progress of).
int ProgressFillWidth(std::uint64_t received, std::uint64_t announced, int cellWidth);

// The stripes' offset in pixels (0 to period - 1) for the given report of an unsized transfer:
// each report moves them on by a few pixels.
int StripeOffset(std::uint64_t report, int period);

// Lets a transfer's reports through at most once per interval, on the clock the caller reads.
// The first report always goes through.
class ProgressReportGate {
 public:
  explicit ProgressReportGate(std::uint64_t intervalMs = 250) : intervalMs_(intervalMs) {}
  bool Due(std::uint64_t nowMs);

 private:
  std::uint64_t intervalMs_;
  std::uint64_t lastMs_ = 0;
  bool reported_ = false;
};
