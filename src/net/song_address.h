// Rules for fetching a song: its address comes from the site's playlist and its answer from the
// site's server, so neither is trusted. Only web addresses are fetched, only a 2xx answer counts,
// and a transfer that crawls or grows without end is ended.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The address with each blank and each byte above 127 percent-encoded ("%20", "%E9"), as browsers
// send such addresses; every other byte, an existing "%xx" included, stays as it is.
std::string EncodeSongAddress(std::string_view address);

// The encoded address when it is a web address (IsWebAddress), otherwise "": a file:, UNC or any
// other address is never handed to the system, which would read a local file or open a share
// (and give the user's credentials to its host).
std::string SongAddressToFetch(std::string_view address);

// Only 200 to 299 is a song. 0 means no HTTP answer at all (a file: address did that).
bool IsSuccessStatus(std::uint32_t status);

// The bounds of one transfer: at least minBytes in every windowMs, at most maxBytes in all.
struct TransferLimits {
  std::uint64_t minBytes = 1024;
  std::uint64_t windowMs = 60000;
  std::uint64_t maxBytes = std::uint64_t{2} << 30;
};

// Follows one transfer's received total over time and says when it must end. The system reports
// totals in 32 bits, which wrap at 4 GiB; they are carried on in 64 bits here.
class TransferPace {
 public:
  TransferPace(const TransferLimits& limits, std::uint64_t nowMs) : limits_(limits), markMs_(nowMs) {}
  void Reported(std::uint32_t received, std::uint64_t nowMs);
  std::uint64_t Received() const { return total_; }
  // More than maxBytes in all, or less than minBytes since windowMs ago.
  bool MustEnd(std::uint64_t nowMs) const;

 private:
  TransferLimits limits_;
  std::uint64_t total_ = 0;
  std::uint32_t lastReported_ = 0;
  // The last time the total had grown by minBytes, and the total then.
  std::uint64_t markMs_;
  std::uint64_t markBytes_ = 0;
};
