// Byte-exact searches over raw single-byte text, in the 1-based positions the readers use.
#include "base/text_search.h"

namespace {

constexpr char kBlank = ' ';

}  // namespace

int FindText(std::string_view source, std::string_view pattern, int start) {
  if (pattern.empty()) return 0;
  if (start <= 0) start = 1;
  const std::size_t from = static_cast<std::size_t>(start) - 1;
  if (from >= source.size()) return 0;
  const std::size_t found = source.find(pattern, from);
  return found == std::string_view::npos ? 0 : static_cast<int>(found) + 1;
}

bool ContainsText(std::string_view source, std::string_view pattern) {
  return FindText(source, pattern, 1) != 0;
}

std::string Between(std::string_view source, std::string_view startMarker,
                    std::string_view endMarker, int startPosition) {
  const int found = FindText(source, startMarker, startPosition);
  if (found == 0 || endMarker.empty()) return std::string();
  const std::size_t valueStart = static_cast<std::size_t>(found) - 1 + startMarker.size();
  const std::size_t valueEnd = source.find(endMarker, valueStart);
  if (valueEnd == std::string_view::npos) return std::string();
  return std::string(source.substr(valueStart, valueEnd - valueStart));
}

std::string TrimBlanks(std::string_view text) {
  const std::size_t first = text.find_first_not_of(kBlank);
  if (first == std::string_view::npos) return std::string();
  const std::size_t last = text.find_last_not_of(kBlank);
  return std::string(text.substr(first, last - first + 1));
}

bool IsBlank(std::string_view text) {
  return text.find_first_not_of(kBlank) == std::string_view::npos;
}

std::string BlankControlBytes(std::string text) {
  for (char& c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if ((byte >= 1 && byte <= 31) || byte == 127) c = ' ';
  }
  return text;
}

std::string LowerAnsi(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    const unsigned char b = static_cast<unsigned char>(c);
    if ((b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDE)) c = static_cast<char>(b + 32);
  }
  return lower;
}
