// The author's page addresses are stored scrambled and turned into plain text just before use.
#pragma once

#include <string>
#include <string_view>

// Every stored byte is raised by 2, except a byte 2, which stays. A stored 0xFE or 0xFF is no
// scrambled byte: the text ends before it.
std::string TextUnscrambler(std::string_view stored);

// The inverse, used to write the stored constants: every plain byte is lowered by 2, except 2.
std::string TextScrambler(std::string_view plain);
