// --limit-rate: one allowance of bytes per second for the whole run, shared by its transfers.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>

class RateLimit {
 public:
  explicit RateLimit(std::uint64_t bytesPerSecond);
  // Takes bytes that have come from the allowance: how long the caller must then wait so the run
  // stays within the rate. Thread-safe.
  std::chrono::milliseconds Take(std::uint64_t bytes);

 private:
  const double rate_;  // bytes per second
  std::mutex lock_;
  double allowance_;   // bytes that may come now; below 0 a debt to wait off
  std::chrono::steady_clock::time_point last_;
};

// "500K", "2M", "1.5M", "300" (K = 1024) as bytes per second; 0 when the text is no rate.
std::uint64_t ParseRate(const std::string& text);
