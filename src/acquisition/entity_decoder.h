// Turns the raw titles and addresses of the site's pages and playlist into the Windows-1252 text
// the program shows and uses: named entities, the word-break tag and decimal references.
#pragma once

#include <string>
#include <string_view>

// The three steps below, in their order. Runs in time linear in the length of text.
std::string EntityDecoder(std::string_view text);

// Step 1: each of the 36 named entities of the table, row after row; every row replaces all its
// occurrences left to right without looking at what it has just written.
std::string NamedEntitiesReplaced(std::string_view text);

// Step 2: every "<wbr>" (lower case) removed in one left-to-right pass.
std::string WordBreaksRemoved(std::string_view text);

// Step 3: every "&#" reached from the left, with the decimal digits right after it and a ";"
// that follows them, replaced by the byte DecimalReferenceByte gives (nothing for a value of 0,
// so "&#;" and a trailing "&#" vanish). The scan goes on one byte after the written byte, or,
// when nothing was written, one byte after the byte that moved into the reference's place; a
// written "&" or that skipped byte never starts a new reference ("&#38;#66;" gives "&#66;",
// "&#&#65;" gives "&#65;").
std::string DecimalReferencesResolved(std::string_view text);

// The byte a decimal reference of this value stands for, or -1 for none: 1-255 give that
// byte, 0 gives none, a larger value gives its Windows-1252 byte where that code page has the
// character (8364 gives 0x80, 8217 gives 0x92) and "?" otherwise.
int DecimalReferenceByte(long long value);

// The same decoding for the command line, which keeps every character: the result is UTF-8, each
// raw byte read as Windows-1252 and each decimal reference giving its code point (0 gives nothing
// as above; 128-159 give the Windows-1252 character of that byte, as the window shows them; a
// surrogate or a value above U+10FFFF gives "?", as the window writes "?" for a character it
// cannot show). Every control character (0-31, 127, the C1 range 0x80-0x9F) and the
// bidirectional overrides and isolates (U+202A-U+202E, U+2066-U+2069) become blanks.
std::string EntityDecoderUtf8(std::string_view raw);
