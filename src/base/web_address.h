// Whether a text from the network may be handed to the system as a web address. Links arrive
// over plain HTTP from servers the program does not control; only an http or https address with
// a host is ever opened, and only through the shell's "open" verb.
#pragma once

#include <string_view>

// True for "http://" or "https://" (scheme in any letter case) followed by a host, the whole
// text being printable ASCII without blanks and without the characters an address never holds
// unescaped (" < > \ ^ ` { | }), so it cannot break out of the quotes of a handler's command
// line. The host is what stands between "//" and the first "/", "?" or "#", after any
// "user@" part and without a ":port"; it must not be empty. Leading blanks are not skipped.
bool IsWebAddress(std::string_view text);
