// What the stand-in site serves, recomputed or read from its fixture files, so that the tests
// can compare the program's saved files byte for byte.
#pragma once

#include <cstddef>
#include <string>

#include "shared/site_bodies.h"


// The bytes of fixtures\songs\<file>, or "" when it cannot be read.
std::string FixtureSong(const std::string& file);
