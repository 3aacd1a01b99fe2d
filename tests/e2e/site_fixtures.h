// What the stand-in site serves, recomputed or read from its fixture files, so that the tests
// can compare the program's saved files byte for byte.
#pragma once

#include <cstddef>
#include <string>

// The generated body for a seed: an MP3 frame header, then (i * 131 + seed * 7 + (i >> 8)) & 0xFF.
std::string GeneratedBody(long long seed, std::size_t length);

// The bytes of fixtures\songs\<file>, or "" when it cannot be read.
std::string FixtureSong(const std::string& file);
