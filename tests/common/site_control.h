// Chooses what the stand-in site serves as the author's notice (its notice modes, see
// site/README.md), through its control host. The notice is fetched by every start of the program,
// so a test sets the mode before the start and sets "valid" again at its end.
#pragma once

#include <string>

// Sets the mode, and with data not empty the notice data body as well (any bytes). True when the
// site answered with the mode's name.
bool SetNoticeMode(const std::string& mode, const std::string& data = "");

// Ends every endless body the site is sending (its hostile "endless" answers); true when the site
// confirmed.
bool ReleaseEndlessBodies();

// Makes the site serve the program at programPath (a Windows path on drive Z:, which Wine maps
// to the root of the host's file system) as the song /fault/program.mp3. True when the site
// accepted it.
bool ServeProgramAsSong(const std::string& programPath);
