// UTF-8 and the system's wide text: the command line keeps every text and path in UTF-8 and
// turns it wide only at the system's calls.
#pragma once

#include <string>
#include <string_view>

// Bytes that are no UTF-8 become U+FFFD; nothing throws.
std::wstring WideFromUtf8(std::string_view text);
// A lone surrogate becomes U+FFFD; nothing throws.
std::string Utf8FromWide(std::wstring_view text);
