// Where the browser panels may go. Their pages come from servers the program does not control,
// and a link in them may lead anywhere the browser knows: a local file, a shell protocol, script.
#pragma once

#include <string_view>

// True only for a web address (IsWebAddress: http or https with a host) and for "about:blank"
// (any letter case), the panels' first page. The address is the browser's UTF-16 text; anything
// outside printable ASCII is refused before it could be narrowed into something else.
bool PanelMayNavigate(std::wstring_view address);
