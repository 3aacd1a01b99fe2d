// Chooses what the stand-in site serves as the author's notice (its notice modes, see
// site/README.md), through its control host. The notice is fetched by every start of the program,
// so a test sets the mode before the start and sets "valid" again at its end.
#pragma once

#include <string>

// Sets the mode, and with data not empty the notice data body as well (any bytes). True when the
// site answered with the mode's name.
bool SetNoticeMode(const std::string& mode, const std::string& data = "");
