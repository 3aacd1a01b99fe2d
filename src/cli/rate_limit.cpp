#include "cli/rate_limit.h"

#include <algorithm>
#include <cstdlib>

RateLimit::RateLimit(std::uint64_t bytesPerSecond)
    : rate_(static_cast<double>(std::max<std::uint64_t>(bytesPerSecond, 1))),
      allowance_(rate_),  // a second's worth may come at once
      last_(std::chrono::steady_clock::now()) {}

std::chrono::milliseconds RateLimit::Take(std::uint64_t bytes) {
  std::lock_guard<std::mutex> hold(lock_);
  const auto now = std::chrono::steady_clock::now();
  allowance_ = std::min(rate_, allowance_ + rate_ * std::chrono::duration<double>(now - last_).count());
  last_ = now;
  allowance_ -= static_cast<double>(bytes);
  if (allowance_ >= 0) return std::chrono::milliseconds(0);
  return std::chrono::milliseconds(static_cast<long long>(-allowance_ * 1000 / rate_) + 1);
}

std::uint64_t ParseRate(const std::string& text) {
  if (text.empty() || text.size() > 24) return 0;
  char* end = nullptr;
  const double number = std::strtod(text.c_str(), &end);
  const std::string unit(end);
  double factor = 1;
  if (unit == "K" || unit == "k") {
    factor = 1024;
  } else if (unit == "M" || unit == "m") {
    factor = 1024.0 * 1024;
  } else if (unit == "G" || unit == "g") {
    factor = 1024.0 * 1024 * 1024;
  } else if (!unit.empty()) {
    return 0;
  }
  const double rate = number * factor;
  if (end == text.c_str() || !(rate >= 1) || rate > 1e15) return 0;
  return static_cast<std::uint64_t>(rate);
}
