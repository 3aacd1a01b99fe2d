// Target files that running download jobs have claimed, so that jobs running side by side never
// write the same file. One table for the whole process, guarded by its own lock.
#pragma once

#include <string>
#include <string_view>

#include "downloads/download_naming.h"
#include "net/partial_file.h"

// How names are compared: the window's names are Windows-1252 bytes, the command line's UTF-8.
// Either way without regard to letter case (the upper-case letter of each cased letter of Latin,
// Greek, Cyrillic and Armenian, and the full-width Latin ones), "/" the same as "\".
enum class NameFold { kWindows1252, kUtf8 };
// The key a name is compared by, as the file system compares names.
std::string FoldedName(std::string_view name, NameFold fold);

// UniqueTargetPath over base, where a name is taken when it is reserved, when
// fileExistsNonEmpty(name) holds, or when fileExistsNonEmpty(name + kPartialFileSuffix) holds
// (another run of the program may be writing it). The path found is reserved before the lock is
// released; "" when no free name was found (nothing is reserved then). fileExistsNonEmpty runs
// under the lock and must not call the functions of this file. A caller whose taken names only
// grow passes nextCounter: the search starts there and it is set past the name found (read and
// written under the lock), so many songs of one name take linear time, not quadratic.
std::string ReserveUniqueTargetPath(std::string_view base, const PathTakenTest& fileExistsNonEmpty,
                                    NameFold fold = NameFold::kWindows1252, int* nextCounter = nullptr);

// Reserves a path chosen by the user, without a search, so that no folder job picks it while
// this job writes it. Returns false when the path was reserved already (the reservation is
// counted all the same, and needs its own ReleaseTargetPath).
bool ReserveTargetPath(std::string_view path, NameFold fold = NameFold::kWindows1252);

// Ends one reservation of path; a path that is not reserved is ignored.
void ReleaseTargetPath(std::string_view path, NameFold fold = NameFold::kWindows1252);

// Whether path is reserved at this moment. Names are compared as the file system compares them:
// without regard to letter case (Windows-1252 letters included), "/" the same as "\".
bool IsTargetPathReserved(std::string_view path, NameFold fold = NameFold::kWindows1252);
