#include "wingui/progress_fill.h"

int ProgressFillWidth(std::uint64_t received, std::uint64_t announced, int cellWidth) {
  if (announced == 0) return kFillOfUnknownLength;
  if (cellWidth <= 0) return 0;
  if (received >= announced) return cellWidth;
  // received < announced, so the quotient is below cellWidth; the product needs 128 bits.
  const unsigned __int128 covered = static_cast<unsigned __int128>(received) * static_cast<unsigned>(cellWidth);
  return static_cast<int>(covered / announced);
}

int StripeOffset(std::uint64_t report, int period) {
  if (period <= 0) return 0;
  return static_cast<int>((report * 3) % static_cast<std::uint64_t>(period));
}

bool ProgressReportGate::Due(std::uint64_t nowMs) {
  if (reported_ && nowMs - lastMs_ < intervalMs_) return false;
  reported_ = true;
  lastMs_ = nowMs;
  return true;
}
