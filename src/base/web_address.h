// Whether a text from the network may be handed to the system as a web address. Links arrive
// over plain HTTP from servers the program does not control; only an http or https address with
// a host is ever opened, and only through the shell's "open" verb.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The longest address the program hands on; a longer one is no address it opens or fetches.
constexpr std::size_t kLongestWebAddress = 2048;

// True for "http://" or "https://" (scheme in any letter case) followed by a host, the whole
// text being at most kLongestWebAddress bytes of printable ASCII without blanks and without the
// characters an address never holds unescaped (" < > \ ^ ` { | }), so it cannot break out of the
// quotes of a handler's command line; every "%" starts an escape of two hex digits. The host is
// what stands between "//" and the first "/", "?" or "#", without a ":port" (of one digit or more); it must not be empty,
// and no "user@" part may stand before it (it can make an address look like another host's).
// Leading blanks are not skipped.
bool IsWebAddress(std::string_view text);

// The web address a link's text stands for: the text itself when it starts with "http://" or
// "https://" (any letter case), else "http://" in front of it. Whether that is a web address at
// all is IsWebAddress's to say.
std::string LinkWebAddress(std::string_view text);
