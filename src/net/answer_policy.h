// The one policy every song transport follows, whatever carries the bytes: which answer is taken,
// whether it continues the ".part", when the song is whole, and the words for each failure. A
// transport only gathers the facts (status, headers, bytes) and moves the bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "net/file_transport.h"

// What a transport saw of one answer (the last one, after the redirects it followed).
struct AnswerFacts {
  std::uint32_t status = 0;
  bool rangeAsked = false;    // the request carried "Range: bytes=<from>-"
  std::uint64_t from = 0;     // the ".part"'s size the range asked from
  std::string validatorSent;  // the "If-Range" sent, "" for none
  std::string contentRange;   // the answer's Content-Range as sent, "" for none
  bool lengthKnown = false;   // Content-Length, the bytes of this answer
  std::uint64_t length = 0;
  std::string etag;
  std::string lastModified;
  bool secondTry = false;  // this answer is the fresh fetch after a misfit
  std::uint32_t retryAfterSeconds = 0;  // its Retry-After in seconds (RetryAfterSeconds), 0 for none
};

enum class AnswerVerdict {
  kTake,    // the answer's bytes go into the ".part" after its first `from` bytes
  kAfresh,  // a misfit: the ".part" is emptied and the song fetched afresh, once, without a range
  kFail,
};

struct AnswerDecision {
  AnswerVerdict verdict = AnswerVerdict::kFail;
  std::uint64_t from = 0;     // kTake: the ".part"'s bytes kept (0: it is emptied first)
  bool totalKnown = false;    // kTake: the whole song's length is known...
  std::uint64_t total = 0;    // ...and is this
  std::string validator;      // kTake: the validator the ".part"'s bytes then belong to
  TransferFailure failure = TransferFailure::kNone;  // kAfresh, kFail: why
};

// The rules:
// - a status outside 2xx fails;
// - a plain request takes a 2xx other than 206; a range request's 200 is the whole song (the
//   ".part" is emptied);
// - a 206 is taken only for a request that asked for a range, when its Content-Range starts at
//   exactly `from` and ends at its total - 1 (Content-Length, when given, agreeing) and, where
//   the request and the answer carry a validator of the same kind (ETag or date), they are equal;
// - a 416 to a range request, and any other 206, is a misfit: kAfresh, or kFail on the second try;
// - a song announced larger than maxBytes fails.
AnswerDecision JudgeAnswer(const AnswerFacts& facts, std::uint64_t maxBytes);

// Whether a taken answer brought the whole song once its body ended with the ".part" holding
// bytesInFile: exactly the total where one is known, else at least one byte. kNone when whole.
TransferFailure JudgeEnd(const AnswerDecision& decision, std::uint64_t bytesInFile);

// The validator an answer gives its bytes: its ETag, else its Last-Modified; "" when it gives
// none, or when the value could not be sent back in a header (control bytes, too long).
std::string AnswerValidator(std::string_view etag, std::string_view lastModified);
// Whether a validator may go into an "If-Range" line: not empty, no control byte, not too long.
bool IsSendableValidator(std::string_view validator);

// The value of the header called name (any letter case) in an answer's raw header lines, blanks
// around it trimmed; "" when it has none.
std::string RawHeaderValue(std::string_view headers, std::string_view name);

// A Content-Length value (decimal digits only, blanks around them allowed) into length; false
// for anything else.
bool ParseContentLength(std::string_view value, std::uint64_t& length);

// A Retry-After value in seconds (a date is taken as no value): 0 for none, at most a day.
std::uint32_t RetryAfterSeconds(std::string_view value);

// "bytes START-LAST/TOTAL" with START <= LAST < TOTAL, else false.
bool ParseContentRange(std::string_view value, std::uint64_t& start, std::uint64_t& last, std::uint64_t& total);

// A status with its reason phrase, as a server sends it: "404 Not Found", "503 Service Unavailable";
// the number alone for a status without a well-known phrase.
std::string HttpStatusWords(std::uint32_t status);

// The failure in a few words for the user: "HTTP 404", "the disk is full", "less than 1 KB came
// in 60 s" (from the limits' figures) ...; libraryWords, where given, for kNetwork, kUnreachable and
// kNoData (which name the proxy, the host ...).
std::string FailureWords(TransferFailure failure, std::uint32_t status, std::uint64_t minBytes, std::uint64_t windowMs,
                         const std::string& libraryWords = std::string());
