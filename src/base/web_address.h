// Whether a text from outside the program may be handed to the system to open: only a web
// address (http or https, with a host) is; a command line, a file path or any other scheme is not.
#pragma once

#include <string_view>

// "http://" or "https://" (the scheme in any letter case) followed by a host: at least one byte
// that is neither a blank, a control byte nor "/", "\", "?" or "#". Leading blanks make it no
// address.
bool IsWebAddress(std::string_view text);
