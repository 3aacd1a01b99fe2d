// The entity decoder written step by step the direct way (count the references, then search and
// replace in place), slow but easy to check by eye; the fast decoder must agree with it.
#pragma once

#include <string>
#include <string_view>

// The decimal-reference step alone: n = the number of "&#", then at most n times: find "&#"
// from pos + 1, read the digits, replace the reference (with its ";" if one follows) in place.
std::string DecimalReferencesResolvedPlain(std::string_view text);

// All three steps, each by repeated search and in-place replacement.
std::string EntityDecoderPlain(std::string_view text);
