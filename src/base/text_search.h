// Byte-exact text search and the small text helpers that reading a profile and its playlist
// builds on. Positions count from 1 and 0 means "not found"; texts are raw single-byte strings.
#pragma once

#include <string>
#include <string_view>

// The position of the first occurrence of pattern at or after start, or 0. A start of 0 or less
// means 1, a start beyond the end finds nothing, and an empty pattern is never found.
int FindText(std::string_view source, std::string_view pattern, int start);

// Whether pattern occurs anywhere in source; an empty pattern never does.
bool ContainsText(std::string_view source, std::string_view pattern);

// The text between the first startMarker found from startPosition and the next endMarker after
// it; empty when either marker is missing or empty, or when the end marker follows at once.
std::string Between(std::string_view source, std::string_view startMarker,
                    std::string_view endMarker, int startPosition);

// text without its leading and trailing blanks (byte 32); tabs and line breaks stay.
std::string TrimBlanks(std::string_view text);

// Whether text holds nothing but blanks (byte 32), that is, whether TrimBlanks leaves it empty.
bool IsBlank(std::string_view text);

// A copy of text with every control byte (1 to 31 and 127) replaced by a blank, so that no text
// from the network can break a line or a cell where it is shown.
std::string BlankControlBytes(std::string text);

// A copy of text with A-Z and the bytes 0xC0-0xDE raised by 32 (the code page's capitals).
std::string LowerAnsi(std::string_view text);
