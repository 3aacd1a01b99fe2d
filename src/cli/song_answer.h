// What both of the command line's song transports read from an answer, and the words they give
// the user for a save that failed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// "bytes START-LAST/TOTAL" with START <= LAST < TOTAL, else false: a range the server made up is
// no resume.
bool ParseContentRange(std::string_view value, std::uint64_t& start, std::uint64_t& total);

constexpr const char* kReasonNotWebAddress = "not a web address";
constexpr const char* kReasonStopped = "stopped";
constexpr const char* kReasonTooLarge = "larger than the program takes";
constexpr const char* kReasonCannotWrite = "the file cannot be written";
constexpr const char* kReasonEmpty = "the song is empty";
constexpr const char* kReasonCutShort = "the song ended before its announced length";
constexpr const char* kReasonFailed = "the transfer failed";
constexpr const char* kReasonNoMemory = "out of memory";
constexpr const char* kReasonUnreachable = "the server could not be reached";

// "HTTP 404".
std::string HttpStatusReason(long status);
// "no data came for 60 s".
std::string NoDataReason(std::uint64_t windowMs);
