#include "net/answer_policy.h"

#include <algorithm>
#include <cstdio>

#include "net/song_address.h"

namespace {

// A validator longer than this is no validator a server means to be sent back.
constexpr std::size_t kLongestValidator = 1024;
constexpr std::uint32_t kRangeNotSatisfiable = 416;
// Digits a length or a Retry-After may have, and the longest wait taken from one.
constexpr std::size_t kLongestLength = 18;
constexpr std::size_t kLongestRetryAfter = 9;
constexpr std::uint64_t kLongestRetryAfterSeconds = 86400;

// Decimal digits only, at most maxDigits of them, blanks and line ends around them allowed.
bool ParseDecimal(std::string_view text, std::size_t maxDigits, std::uint64_t& value) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n')) {
    text.remove_suffix(1);
  }
  if (text.empty() || text.size() > maxDigits) return false;
  std::uint64_t number = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    number = number * 10 + static_cast<std::uint64_t>(c - '0');
  }
  value = number;
  return true;
}

// An entity tag is quoted ("x" or W/"x"); anything else a server gives is a date.
bool IsEntityTag(std::string_view validator) {
  return (!validator.empty() && validator.front() == '"') || validator.substr(0, 3) == "W/\"";
}

AnswerDecision Refused(TransferFailure failure) {
  AnswerDecision decision;
  decision.verdict = AnswerVerdict::kFail;
  decision.failure = failure;
  return decision;
}

AnswerDecision Misfit(const AnswerFacts& facts) {
  AnswerDecision decision = Refused(TransferFailure::kMisfit);
  if (!facts.secondTry) decision.verdict = AnswerVerdict::kAfresh;
  return decision;
}

}  // namespace

bool IsSendableValidator(std::string_view validator) {
  return !validator.empty() && validator.size() <= kLongestValidator &&
         std::none_of(validator.begin(), validator.end(),
                      [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

std::string AnswerValidator(std::string_view etag, std::string_view lastModified) {
  if (!etag.empty()) return IsSendableValidator(etag) ? std::string(etag) : std::string();
  return IsSendableValidator(lastModified) ? std::string(lastModified) : std::string();
}

std::string RawHeaderValue(std::string_view headers, std::string_view name) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  while (!headers.empty()) {
    const std::size_t end = std::min(headers.find('\n'), headers.size());
    std::string_view line = headers.substr(0, end);
    headers.remove_prefix(std::min(end + 1, headers.size()));
    if (line.size() <= name.size() || line[name.size()] != ':' ||
        !std::equal(name.begin(), name.end(), line.begin(), [&](char a, char b) { return lower(a) == lower(b); })) {
      continue;
    }
    line.remove_prefix(name.size() + 1);
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r')) line.remove_suffix(1);
    return std::string(line);
  }
  return std::string();
}

bool ParseContentLength(std::string_view value, std::uint64_t& length) {
  return ParseDecimal(value, kLongestLength, length);
}

std::uint32_t RetryAfterSeconds(std::string_view value) {
  std::uint64_t seconds = 0;
  if (!ParseDecimal(value, kLongestRetryAfter, seconds)) return 0;  // a date is taken as no value
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(seconds, kLongestRetryAfterSeconds));
}

bool ParseContentRange(std::string_view value, std::uint64_t& start, std::uint64_t& last, std::uint64_t& total) {
  unsigned long long first = 0, end = 0, whole = 0;
  char extra = 0;
  const std::string text(value.substr(0, 96));
  if (std::sscanf(text.c_str(), "bytes %llu-%llu/%llu%c", &first, &end, &whole, &extra) != 3) return false;
  if (first > end || end >= whole) return false;
  start = first;
  last = end;
  total = whole;
  return true;
}

AnswerDecision JudgeAnswer(const AnswerFacts& facts, std::uint64_t maxBytes) {
  // A range past the song's end: the ".part" is not of this song as it is now.
  if (facts.status == kRangeNotSatisfiable && facts.rangeAsked) return Misfit(facts);
  if (!IsSuccessStatus(facts.status)) return Refused(TransferFailure::kHttpStatus);
  AnswerDecision decision;
  decision.verdict = AnswerVerdict::kTake;
  decision.validator = AnswerValidator(facts.etag, facts.lastModified);
  if (facts.status == 206) {
    std::uint64_t start = 0, last = 0, total = 0;
    if (!facts.rangeAsked || !ParseContentRange(facts.contentRange, start, last, total) || start != facts.from ||
        last + 1 != total || (facts.lengthKnown && facts.length != total - start)) {
      return Misfit(facts);
    }
    const std::string& sent = facts.validatorSent;
    const std::string& given = IsEntityTag(sent) ? facts.etag : facts.lastModified;
    if (!sent.empty() && !given.empty() && given != sent) return Misfit(facts);
    decision.from = facts.from;
    decision.totalKnown = true;
    decision.total = total;
    // The bytes kept came with the validator sent; an answer that names none keeps it.
    if (decision.validator.empty()) decision.validator = sent;
  } else {
    decision.from = 0;  // a whole song: a range request's ".part" is emptied first
    decision.totalKnown = facts.lengthKnown;
    decision.total = facts.lengthKnown ? facts.length : 0;
  }
  if (decision.totalKnown && decision.total > maxBytes) return Refused(TransferFailure::kTooLarge);
  return decision;
}

TransferFailure JudgeEnd(const AnswerDecision& decision, std::uint64_t bytesInFile) {
  if (decision.verdict != AnswerVerdict::kTake) return decision.failure;
  if (bytesInFile == 0) return TransferFailure::kEmpty;
  if (decision.totalKnown && bytesInFile != decision.total) {
    return bytesInFile < decision.total ? TransferFailure::kCutShort : TransferFailure::kTooLarge;
  }
  return TransferFailure::kNone;
}

std::string HttpStatusWords(std::uint32_t status) {
  static const struct { std::uint32_t status; const char* phrase; } kPhrases[] = {
      {400, "Bad Request"},  {401, "Unauthorized"},          {403, "Forbidden"},
      {404, "Not Found"},    {405, "Method Not Allowed"},    {408, "Request Timeout"},
      {410, "Gone"},         {429, "Too Many Requests"},     {500, "Internal Server Error"},
      {502, "Bad Gateway"},  {503, "Service Unavailable"},   {504, "Gateway Timeout"},
  };
  for (const auto& known : kPhrases) {
    if (known.status == status) return std::to_string(status) + " " + known.phrase;
  }
  return std::to_string(status);
}

std::string FailureWords(TransferFailure failure, std::uint32_t status, std::uint64_t minBytes, std::uint64_t windowMs,
                         const std::string& libraryWords) {
  switch (failure) {
    case TransferFailure::kNone: return std::string();
    case TransferFailure::kNotWebAddress: return "not a web address";
    case TransferFailure::kStopped: return "stopped";
    case TransferFailure::kHttpStatus: return "HTTP " + std::to_string(status);
    case TransferFailure::kMisfit: return "the server sent a part that does not fit the song";
    case TransferFailure::kTooLarge: return "larger than the program takes";
    case TransferFailure::kNoData: {
      if (!libraryWords.empty()) return libraryWords;
      const std::string amount = minBytes % 1024 == 0 ? std::to_string(minBytes / 1024) + " KB"
                                                      : std::to_string(minBytes) + " bytes";
      return "less than " + amount + " came in " + std::to_string(windowMs / 1000) + " s";
    }
    case TransferFailure::kCutShort: return "the song ended before its announced length";
    case TransferFailure::kEmpty: return "the song is empty";
    case TransferFailure::kDiskFull: return "the disk is full";
    case TransferFailure::kCannotWrite: return "the file cannot be written";
    case TransferFailure::kUnreachable: return libraryWords.empty() ? "the server could not be reached" : libraryWords;
    case TransferFailure::kNetwork: return libraryWords.empty() ? "the transfer failed" : libraryWords;
    case TransferFailure::kRefused: return "the folder's record cannot be written";
    case TransferFailure::kNoMemory: return "out of memory";
  }
  return "the transfer failed";
}
