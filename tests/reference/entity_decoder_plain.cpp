// Direct, in-place version of the entity decoder, kept as the reference for the fast one.
#include "reference/entity_decoder_plain.h"

#include <climits>

#include "acquisition/entity_decoder.h"
#include "base/text_search.h"

namespace {

struct Row {
  const char* pattern;
  char byte;
};

const Row kRows[] = {
    {"&auml;", '\xE4'},   {"&Auml;", '\xC4'},   {"&uuml;", '\xFC'},  {"&Uuml;", '\xDC'},
    {"&ouml;", '\xF6'},   {"&Ouml;", '\xD6'},   {"&iuml;", '\xEF'},  {"&Iuml;", '\xCF'},
    {"&szlig;", '\xDF'},  {"&dagger;", '\x86'}, {"&Dagger;", '\x87'}, {"&yen;", '\xA5'},
    {"&pound;", '\xA3'},  {"&iexcl;", '\xA1'},  {"&sect;", '\xA7'},  {"&uml;", '\xA8'},
    {"&copy;", '\xA9'},   {"&amp;", '&'},       {"&quot;", '"'},     {"&laquo;", '\xAB'},
    {"&reg;", '\xAE'},    {"&deg;", '\xB0'},    {"&gt;", '>'},       {"&lt;", '<'},
    {"&ccedil;", '\xE7'}, {"&auml", '\xE4'},    {"&Auml", '\xC4'},   {"&uuml", '\xFC'},
    {"&Uuml", '\xDC'},    {"&ouml", '\xF6'},    {"&Ouml", '\xD6'},   {"&iuml", '\xEF'},
    {"&Iuml", '\xCF'},    {"&szlig", '\xDF'},   {"&dagger", '\x86'}, {"&Dagger", '\x87'},
};

// Replace in place, one occurrence at a time, going on right after the replacement.
void ReplaceInPlace(std::string& text, const std::string& pattern, const std::string& by) {
  std::size_t at = text.find(pattern);
  while (at != std::string::npos) {
    text.replace(at, pattern.size(), by);
    at = text.find(pattern, at + by.size());
  }
}

int CountWithoutOverlap(const std::string& text, const std::string& pattern) {
  int count = 0;
  for (int at = FindText(text, pattern, 1); at != 0;
       at = FindText(text, pattern, at + static_cast<int>(pattern.size()))) {
    ++count;
  }
  return count;
}

}  // namespace

std::string DecimalReferencesResolvedPlain(std::string_view input) {
  std::string text(input);
  const int n = CountWithoutOverlap(text, "&#");
  int pos = 0;
  for (int i = 0; i < n; ++i) {
    pos = FindText(text, "&#", pos + 1);
    if (pos == 0) break;
    const std::size_t at = static_cast<std::size_t>(pos) - 1;
    std::size_t end = at + 2;
    long long value = 0;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') {
      if (value <= INT_MAX) value = value * 10 + (text[end] - '0');
      ++end;
    }
    if (end < text.size() && text[end] == ';') ++end;
    const int byte = DecimalReferenceByte(value);
    text.replace(at, end - at, byte >= 0 ? std::string(1, static_cast<char>(byte)) : std::string());
  }
  return text;
}

std::string EntityDecoderPlain(std::string_view input) {
  std::string text(input);
  for (const Row& row : kRows) ReplaceInPlace(text, row.pattern, std::string(1, row.byte));
  ReplaceInPlace(text, "<wbr>", "");
  return DecimalReferencesResolvedPlain(text);
}
