// The file a transfer writes while it runs: the target path with this suffix. Only a complete
// transfer renames it to the target; the name reservations count it as taken too.
#pragma once

#include <string_view>

constexpr std::string_view kPartialFileSuffix = ".part";
