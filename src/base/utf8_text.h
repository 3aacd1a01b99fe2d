// UTF-8 one character at a time, and the characters that must never reach a file name or a
// terminal as they are: the command line keeps every text in UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// What stands in for bytes that are no UTF-8 (U+FFFD).
constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

// The length and code point of the UTF-8 sequence at text[at], or length 0 when none starts
// there (a stray continuation byte, an overlong form, a surrogate, a value above U+10FFFF or a
// cut sequence).
std::size_t Utf8CharacterAt(std::string_view text, std::size_t at, std::uint32_t& codePoint);

// Appends the code point (at most U+10FFFF, no surrogate) as UTF-8.
void AppendUtf8(std::string& out, std::uint32_t codePoint);

// The C0 and C1 controls, DEL and the bidirectional overrides and isolates, which would act on
// what follows them instead of showing.
bool IsHiddenControl(std::uint32_t codePoint);
