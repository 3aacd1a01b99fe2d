// The stand-in site's generated song bodies, recomputed so that tests can compare saved files
// byte for byte (site/README.md gives the formula).
#pragma once

#include <cstddef>
#include <string>

// An MP3 frame header, then byte i = (i * 131 + seed * 7 + (i >> 8)) & 0xFF.
std::string GeneratedBody(long long seed, std::size_t length);
