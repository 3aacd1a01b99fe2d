#include "cli/song_answer.h"

#include <cstdio>

bool ParseContentRange(std::string_view value, std::uint64_t& start, std::uint64_t& total) {
  unsigned long long first = 0, last = 0, whole = 0;
  char end = 0;
  const std::string text(value);
  if (std::sscanf(text.c_str(), "bytes %llu-%llu/%llu%c", &first, &last, &whole, &end) != 3) return false;
  if (first > last || last >= whole) return false;
  start = first;
  total = whole;
  return true;
}

std::string HttpStatusReason(long status) { return "HTTP " + std::to_string(status); }

std::string NoDataReason(std::uint64_t windowMs) { return "no data came for " + std::to_string(windowMs / 1000) + " s"; }
