// The entity decoder. Every step is one left-to-right pass that builds a new text, so even a
// page full of entities costs time in proportion to its length.
#include "acquisition/entity_decoder.h"

#include <array>
#include <climits>
#include <iterator>

#include "base/utf8_text.h"

namespace {

struct NamedEntity {
  std::string_view pattern;
  char byte;
};

// Order matters: the forms without ";" come after "&amp;", so a twice-escaped entity is first
// unescaped by "&amp;" and then caught by its short form, leaving its ";" behind.
constexpr NamedEntity kNamedEntities[] = {
    {"&auml;", '\xE4'},   {"&Auml;", '\xC4'},   {"&uuml;", '\xFC'},  {"&Uuml;", '\xDC'},
    {"&ouml;", '\xF6'},   {"&Ouml;", '\xD6'},   {"&iuml;", '\xEF'},  {"&Iuml;", '\xCF'},
    {"&szlig;", '\xDF'},  {"&dagger;", '\x86'}, {"&Dagger;", '\x87'}, {"&yen;", '\xA5'},
    {"&pound;", '\xA3'},  {"&iexcl;", '\xA1'},  {"&sect;", '\xA7'},  {"&uml;", '\xA8'},
    {"&copy;", '\xA9'},   {"&amp;", '\x26'},    {"&quot;", '\x22'},  {"&laquo;", '\xAB'},
    {"&reg;", '\xAE'},    {"&deg;", '\xB0'},    {"&gt;", '\x3E'},    {"&lt;", '\x3C'},
    {"&ccedil;", '\xE7'}, {"&auml", '\xE4'},    {"&Auml", '\xC4'},   {"&uuml", '\xFC'},
    {"&Uuml", '\xDC'},    {"&ouml", '\xF6'},    {"&Ouml", '\xD6'},   {"&iuml", '\xEF'},
    {"&Iuml", '\xCF'},    {"&szlig", '\xDF'},   {"&dagger", '\x86'}, {"&Dagger", '\x87'},
};

constexpr std::string_view kWordBreak = "<wbr>";
constexpr std::string_view kReferenceOpening = "&#";

// The characters of Windows-1252 that lie above 255 in Unicode, with their bytes.
struct CodePageCharacter {
  int unicode;
  unsigned char byte;
};

constexpr CodePageCharacter kCodePageHighCharacters[] = {
    {0x20AC, 0x80}, {0x201A, 0x82}, {0x0192, 0x83}, {0x201E, 0x84}, {0x2026, 0x85},
    {0x2020, 0x86}, {0x2021, 0x87}, {0x02C6, 0x88}, {0x2030, 0x89}, {0x0160, 0x8A},
    {0x2039, 0x8B}, {0x0152, 0x8C}, {0x017D, 0x8E}, {0x2018, 0x91}, {0x2019, 0x92},
    {0x201C, 0x93}, {0x201D, 0x94}, {0x2022, 0x95}, {0x2013, 0x96}, {0x2014, 0x97},
    {0x02DC, 0x98}, {0x2122, 0x99}, {0x0161, 0x9A}, {0x203A, 0x9B}, {0x0153, 0x9C},
    {0x017E, 0x9E}, {0x0178, 0x9F},
};

constexpr char kUnknownCharacter = '?';

// The row of "&amp;", the one row whose byte can start a further entity.
constexpr std::size_t kAmpersandRow = 17;
static_assert(kNamedEntities[kAmpersandRow].pattern == "&amp;");

// Whether pattern stands in text at position at. The byte after the "&" is looked at first,
// since it rules out nearly every row without a call.
bool PatternAt(std::string_view text, std::size_t at, std::string_view pattern) {
  return text.size() - at >= pattern.size() && text[at + 1] == pattern[1] &&
         text.compare(at, pattern.size(), pattern) == 0;
}

// The bytes that follow the "&" in some row's pattern.
constexpr std::array<bool, 256> RowSecondBytes() {
  std::array<bool, 256> seen{};
  for (const NamedEntity& entity : kNamedEntities) {
    seen[static_cast<unsigned char>(entity.pattern[1])] = true;
  }
  return seen;
}

constexpr std::array<bool, 256> kRowSecondBytes = RowSecondBytes();

// The first table row whose pattern stands at text[at] (a "&"); -1 for none.
int RowAt(std::string_view text, std::size_t at) {
  if (at + 1 >= text.size() || !kRowSecondBytes[static_cast<unsigned char>(text[at + 1])]) {
    return -1;
  }
  for (std::size_t row = 0; row < std::size(kNamedEntities); ++row) {
    if (PatternAt(text, at, kNamedEntities[row].pattern)) return static_cast<int>(row);
  }
  return -1;
}

// The first row after "&amp;" that matches the "&" written by "&amp;" followed by the untouched
// text from rest on; -1 for none.
int RowAfterAmpersandRow(std::string_view text, std::size_t rest) {
  for (std::size_t row = kAmpersandRow + 1; row < std::size(kNamedEntities); ++row) {
    const std::string_view tail = kNamedEntities[row].pattern.substr(1);
    if (text.size() - rest >= tail.size() && text[rest] == tail[0] &&
        text.compare(rest, tail.size(), tail) == 0) {
      return static_cast<int>(row);
    }
  }
  return -1;
}

bool IsDecimalDigit(char c) { return c >= '0' && c <= '9'; }

// Unicode's largest code point and its surrogate range, which stands for no character.
constexpr long long kLastCodePoint = 0x10FFFF;
constexpr long long kFirstSurrogate = 0xD800;
constexpr long long kLastSurrogate = 0xDFFF;

// A character as the command line writes it: one that would act instead of showing becomes a blank.
void AppendShown(std::string& out, std::uint32_t c) { AppendUtf8(out, IsHiddenControl(c) ? ' ' : c); }

// The Unicode character of a Windows-1252 byte; the five bytes the code page leaves undefined
// keep their value, a C1 control.
constexpr std::array<int, 256> CodePageToUnicode() {
  std::array<int, 256> table{};
  for (int b = 0; b < 256; ++b) table[static_cast<std::size_t>(b)] = b;
  for (const CodePageCharacter& c : kCodePageHighCharacters) table[c.byte] = c.unicode;
  return table;
}

constexpr std::array<int, 256> kCodePageToUnicode = CodePageToUnicode();

}  // namespace

int DecimalReferenceByte(long long value) {
  if (value <= 0) return -1;
  if (value <= 255) return static_cast<int>(value);
  for (const CodePageCharacter& c : kCodePageHighCharacters) {
    if (c.unicode == value) return c.byte;
  }
  return static_cast<unsigned char>(kUnknownCharacter);
}

// Applying the rows one after another comes down to a single pass: every pattern is one "&"
// followed by letters or ";", so a match can only begin at a "&", never spans a byte that an
// earlier row wrote (none of those is a letter or ";"), and two matches never overlap. At each
// "&" of the text the first row that matches there wins. The only written byte that can begin a
// further match is the "&" of "&amp;"; the rows after it then look at that "&" followed by the
// untouched text behind "&amp;", and their bytes begin nothing more.
std::string NamedEntitiesReplaced(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  std::size_t next = 0;
  for (;;) {
    const std::size_t at = text.find('&', next);
    if (at == std::string_view::npos) break;
    result.append(text, next, at - next);
    int row = RowAt(text, at);
    next = at + (row >= 0 ? kNamedEntities[row].pattern.size() : 1);
    if (row == static_cast<int>(kAmpersandRow)) {
      const int second = RowAfterAmpersandRow(text, next);
      if (second >= 0) {
        row = second;
        next += kNamedEntities[second].pattern.size() - 1;
      }
    }
    result.push_back(row >= 0 ? kNamedEntities[row].byte : '&');
  }
  result.append(text, next, std::string_view::npos);
  return result;
}

std::string WordBreaksRemoved(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  std::size_t next = 0;
  for (std::size_t found = text.find(kWordBreak); found != std::string_view::npos;
       found = text.find(kWordBreak, next)) {
    result.append(text, next, found - next);
    next = found + kWordBreak.size();
  }
  result.append(text, next, std::string_view::npos);
  return result;
}

// The step counts the references first and then looks at most that many times, each time one
// byte after the place of the last one. What the searches see from there on is always untouched
// original text, so every search finds a different original "&#" and the count never cuts the
// work short: one pass that copies the text and resolves each reference it reaches does the same.
// copy hears each byte of text that stays, resolve each reference's value and answers whether it
// wrote something; both decoders share the scan and differ only in what they write.
template <typename Copy, typename Resolve>
void ScanDecimalReferences(std::string_view text, Copy&& copy, Resolve&& resolve) {
  std::size_t next = 0;
  for (;;) {
    const std::size_t found = text.find(kReferenceOpening, next);
    if (found == std::string_view::npos) break;
    copy(text.substr(next, found - next));
    std::size_t end = found + kReferenceOpening.size();
    // Saturating: a run of digits too long for any character becomes "?", never an overflow.
    long long value = 0;
    while (end < text.size() && IsDecimalDigit(text[end])) {
      if (value <= INT_MAX) value = value * 10 + (text[end] - '0');
      ++end;
    }
    if (end < text.size() && text[end] == ';') ++end;
    next = end;
    if (!resolve(value) && next < text.size()) {
      // Nothing was written, so the byte that takes the reference's place is passed over.
      copy(text.substr(next, 1));
      ++next;
    }
  }
  copy(text.substr(next));
}

std::string DecimalReferencesResolved(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  ScanDecimalReferences(
      text, [&result](std::string_view kept) { result.append(kept); },
      [&result](long long value) {
        const int byte = DecimalReferenceByte(value);
        if (byte >= 0) result.push_back(static_cast<char>(byte));
        return byte >= 0;
      });
  return result;
}

// Most titles and addresses hold no entity at all; a step with nothing to do leaves the text as
// it is instead of building a copy of it.
std::string EntityDecoder(std::string_view text) {
  std::string decoded(text);
  if (decoded.find('&') != std::string::npos) decoded = NamedEntitiesReplaced(decoded);
  if (decoded.find(kWordBreak) != std::string::npos) decoded = WordBreaksRemoved(decoded);
  if (decoded.find(kReferenceOpening) != std::string::npos) {
    decoded = DecimalReferencesResolved(decoded);
  }
  return decoded;
}

// The named entities and word breaks give Windows-1252 bytes as in the window; the last pass
// resolves the references to code points and turns every byte it keeps into UTF-8 on the way.
std::string EntityDecoderUtf8(std::string_view raw) {
  std::string decoded(raw);
  if (decoded.find('&') != std::string::npos) decoded = NamedEntitiesReplaced(decoded);
  if (decoded.find(kWordBreak) != std::string::npos) decoded = WordBreaksRemoved(decoded);
  std::string result;
  result.reserve(decoded.size() + decoded.size() / 2);
  ScanDecimalReferences(
      decoded,
      [&result](std::string_view kept) {
        for (char c : kept) AppendShown(result, kCodePageToUnicode[static_cast<unsigned char>(c)]);
      },
      [&result](long long value) {
        if (value <= 0) return false;
        // 128-159 name the window's code page characters there ("&#150;" is its dash), as the
        // window shows them.
        if (value >= 128 && value <= 159) value = kCodePageToUnicode[value];
        const bool scalar = value <= kLastCodePoint && (value < kFirstSurrogate || value > kLastSurrogate);
        AppendShown(result, scalar ? static_cast<std::uint32_t>(value) : kUnknownCharacter);
        return true;
      });
  return result;
}
