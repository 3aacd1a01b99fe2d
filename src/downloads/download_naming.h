// How a download job names the file it writes: the save dialog's proposal, the ".mp3" extension,
// a file name made safe from a network title, and the search for a free name in a folder.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

// The extension of a saved song, and the file class the shell opens it as (a literal, so
// data() ends in a zero).
constexpr std::string_view kMp3Extension = ".mp3";

// Longest path the file system takes, terminating zero included (MAX_PATH).
constexpr std::size_t kMaxPathLength = 260;
// Highest counter a folder target tries ("Song (99999).mp3") before it gives up.
constexpr int kLastNameCounter = 99999;
// Room kept behind a folder target's name for the longest alternative and the job's temporary
// file: " (99999).mp3.part".
constexpr std::size_t kNameSuffixRoom = 17;

// The file name the save dialog proposes: the part of name + ".mp3" after its last "\" or "/",
// or "" (the name field starts empty) when that holds a forbidden character (see
// HasForbiddenNameCharacter). A title comes from the network, so it never names the folder the
// dialog opens in: that stays the system's choice.
std::string SaveDialogProposal(std::string_view name);

// Whether text holds a byte below 32 or one of " \ / : * ? < > |.
bool HasForbiddenNameCharacter(std::string_view text);

// path unchanged when its extension (the text after the last "." behind the last "\" or "/")
// is "mp3" in any letter case, else path + ".mp3".
std::string WithMp3Extension(std::string_view path);

// A song title turned into a file name that stays inside a folder of folderLength bytes:
// no path separator, no control byte, none of " : * ? < > |, no trailing dot or blank, no DOS
// device name (CON, PRN, AUX, NUL, COM0-9, LPT0-9, also with an extension; such a name gets a "_"
// in front), never empty, and short enough that folder + name + kNameSuffixRoom + the
// terminating zero fit kMaxPathLength. When the folder alone leaves no room, the result is "_",
// the shortest safe name; such a path is then too long and its transfer fails like any name the
// file system refuses.
std::string SafeFileName(std::string_view name, std::size_t folderLength);

// The command line's bounds on UTF-8 names: the longest path the system takes, terminating zero
// included (PATH_MAX), and the longest file name in bytes (NAME_MAX).
constexpr std::size_t kMaxPathLengthUtf8 = 4096;
constexpr std::size_t kMaxNameBytesUtf8 = 255;

// How long a path and a name may be, in bytes, or in UTF-16 units where the system's wide file
// functions count so (Windows: the window's kMaxPathLength, 255 units a name).
struct NameBounds {
  std::size_t maxPath;
  std::size_t maxName;
  bool utf16Units;
};
constexpr NameBounds kNativeNameBounds{kMaxPathLengthUtf8, kMaxNameBytesUtf8, false};
constexpr NameBounds kWideNameBounds{kMaxPathLength, 255, true};

// The rules of SafeFileName for the command line, on UTF-8 text: a byte sequence that is no UTF-8
// character becomes U+FFFD, the C1 controls, DEL and the bidirectional overrides and isolates
// become "_" like the forbidden characters, and the result is cut, never inside a character, so
// that it plus kNameSuffixRoom stays within bounds.maxName and folder + name + kNameSuffixRoom
// + the terminating zero within bounds.maxPath (folderLength measured as PathLength does).
std::string SafeFileNameUtf8(std::string_view name, std::size_t folderLength,
                             const NameBounds& bounds = kNativeNameBounds);
// A UTF-8 path's length in the units of bounds.
std::size_t PathLength(std::string_view path, const NameBounds& bounds);

// Answers "a file of this exact path is in the way".
using PathTakenTest = std::function<bool(const std::string& path)>;

// The first free file path for a folder target: base + ".mp3", then base + " (2).mp3",
// " (3).mp3", ... When base already ends in ".mp3" (any letter case) the tested names are base
// itself, then base without its extension + " (2)" + the extension, and so on. The names tested
// are exactly the names returned, so the caller writes the file that was found free. Gives up
// with "" after kLastNameCounter. The search starts at firstCounter (the names below it are known
// to be taken); found, when given, hears the counter of the name returned.
std::string UniqueTargetPath(std::string_view base, const PathTakenTest& isTaken, int firstCounter = 1,
                             int* found = nullptr);
