// Naming of the files that download jobs write.
#include "downloads/download_naming.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>

#include "base/utf8_text.h"

namespace {

bool IsForbiddenNameByte(unsigned char b) {
  if (b < 32) return true;
  switch (b) {
    case '"': case '\\': case '/': case ':': case '*': case '?': case '<': case '>': case '|':
      return true;
    default:
      return false;
  }
}

char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

bool EndsWithMp3Extension(std::string_view path) {
  return path.size() >= kMp3Extension.size() &&
         EqualsIgnoringAsciiCase(path.substr(path.size() - kMp3Extension.size()), kMp3Extension);
}

void DropTrailingDotsAndBlanks(std::string& name) {
  while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
}

// The system opens a device instead of a file for these names, whatever follows the first dot,
// and it ignores blanks between the name and that dot. The superscript digits (Windows-1252
// bytes B9, B2, B3, or their UTF-8 forms in UTF-8 text) count as digits there too.
bool IsDeviceName(std::string_view name, bool utf8) {
  std::string_view stem = name.substr(0, name.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
  for (std::string_view device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
    if (EqualsIgnoringAsciiCase(stem, device)) return true;
  }
  if (utf8 && stem.size() == 5 && static_cast<unsigned char>(stem[3]) == 0xC2) {
    const unsigned char superscript = static_cast<unsigned char>(stem[4]);
    if (superscript != 0xB9 && superscript != 0xB2 && superscript != 0xB3) return false;
    return EqualsIgnoringAsciiCase(stem.substr(0, 3), "COM") || EqualsIgnoringAsciiCase(stem.substr(0, 3), "LPT");
  }
  if (stem.size() != 4) return false;
  if (!EqualsIgnoringAsciiCase(stem.substr(0, 3), "COM") &&
      !EqualsIgnoringAsciiCase(stem.substr(0, 3), "LPT")) {
    return false;
  }
  const unsigned char digit = static_cast<unsigned char>(stem[3]);
  return (digit >= '0' && digit <= '9') || (!utf8 && (digit == 0xB9 || digit == 0xB2 || digit == 0xB3));
}

// Cuts name to at most room bytes, or UTF-16 units when utf16Units; in UTF-8 text never inside a
// character.
void CutTo(std::string& name, std::size_t room, bool utf8, bool utf16Units = false) {
  if (utf16Units) {
    std::size_t units = 0;
    for (std::size_t at = 0; at < name.size(); ++at) {
      const unsigned char b = static_cast<unsigned char>(name[at]);
      if ((b & 0xC0) == 0x80) continue;
      units += b >= 0xF0 ? 2 : 1;  // a character beyond the first plane takes two units
      if (units > room) {
        name.resize(at);
        return;
      }
    }
    return;
  }
  if (name.size() <= room) return;
  std::size_t end = room;
  while (utf8 && end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
  name.resize(end);
}

// The rules both encodings share, on a name whose forbidden characters are already replaced:
// the cut, no trailing dot or blank, no device name, never empty.
std::string FinishedName(std::string safe, std::size_t room, bool utf8, bool utf16Units = false) {
  CutTo(safe, room, utf8, utf16Units);
  DropTrailingDotsAndBlanks(safe);
  // The cut may have made a device name ("CONSOLE" cut to "CON"), so this check comes after it;
  // the "_" in front keeps the result from being one, and from being empty.
  if (IsDeviceName(safe, utf8)) {
    safe.insert(safe.begin(), '_');
    CutTo(safe, room, utf8, utf16Units);
    DropTrailingDotsAndBlanks(safe);
  }
  if (safe.empty()) safe = "_";
  return safe;
}


}  // namespace

bool HasForbiddenNameCharacter(std::string_view text) {
  for (char c : text) {
    if (IsForbiddenNameByte(static_cast<unsigned char>(c))) return true;
  }
  return false;
}

std::string SaveDialogProposal(std::string_view name) {
  std::string proposal(name);
  proposal += kMp3Extension;
  const std::size_t separator = proposal.find_last_of("\\/");
  if (separator != std::string::npos) proposal.erase(0, separator + 1);
  if (HasForbiddenNameCharacter(proposal)) proposal.clear();
  return proposal;
}

std::string WithMp3Extension(std::string_view path) {
  std::string result(path);
  const std::size_t separator = path.find_last_of("\\/");
  const std::size_t nameStart = separator == std::string_view::npos ? 0 : separator + 1;
  const std::size_t dot = path.rfind('.');
  const bool hasExtension = dot != std::string_view::npos && dot >= nameStart;
  if (!hasExtension || !EqualsIgnoringAsciiCase(path.substr(dot + 1), "mp3")) {
    result += kMp3Extension;
  }
  return result;
}

std::string SafeFileName(std::string_view name, std::size_t folderLength) {
  const std::size_t fixed = folderLength + kNameSuffixRoom + 1;
  if (fixed >= kMaxPathLength) return "_";
  const std::size_t room = kMaxPathLength - fixed;

  std::string safe;
  safe.reserve(name.size() + 1);
  for (char c : name) {
    const unsigned char b = static_cast<unsigned char>(c);
    safe.push_back(IsForbiddenNameByte(b) || b == 127 ? '_' : c);
  }
  return FinishedName(std::move(safe), room, false);
}

std::string SafeFileNameUtf8(std::string_view name, std::size_t folderLength, const NameBounds& bounds) {
  const std::size_t fixed = folderLength + kNameSuffixRoom + 1;
  if (fixed >= bounds.maxPath || kNameSuffixRoom >= bounds.maxName) return "_";
  const std::size_t room = std::min(bounds.maxPath - fixed, bounds.maxName - kNameSuffixRoom);

  std::string safe;
  safe.reserve(name.size() + 1);
  for (std::size_t at = 0; at < name.size();) {
    std::uint32_t c = 0;
    const std::size_t length = Utf8CharacterAt(name, at, c);
    if (length == 0) {
      safe += kReplacementCharacter;
      ++at;
    } else {
      if ((c < 0x80 && IsForbiddenNameByte(static_cast<unsigned char>(c))) || IsHiddenControl(c)) {
        safe.push_back('_');
      } else {
        safe.append(name, at, length);
      }
      at += length;
    }
  }
  return FinishedName(std::move(safe), room, true, bounds.utf16Units);
}

std::size_t PathLength(std::string_view path, const NameBounds& bounds) {
  if (!bounds.utf16Units) return path.size();
  std::size_t units = 0;
  for (char c : path) {
    const unsigned char b = static_cast<unsigned char>(c);
    if ((b & 0xC0) != 0x80) units += b >= 0xF0 ? 2 : 1;
  }
  return units;
}

std::string UniqueTargetPath(std::string_view base, const PathTakenTest& isTaken, int firstCounter, int* found) {
  // A base with the extension already is written as it is, so the free-name test must look at
  // it and not at base + ".mp3".
  const bool hasExtension = EndsWithMp3Extension(base);
  const std::string_view stem =
      hasExtension ? base.substr(0, base.size() - kMp3Extension.size()) : base;
  const std::string_view extension =
      hasExtension ? base.substr(base.size() - kMp3Extension.size()) : kMp3Extension;

  std::string candidate(stem);
  candidate += extension;
  for (int counter = std::max(firstCounter, 1); counter <= kLastNameCounter; ++counter) {
    if (counter > 1) {
      candidate.assign(stem);
      candidate += " (";
      candidate += std::to_string(counter);
      candidate += ')';
      candidate += extension;
    }
    if (!isTaken(candidate)) {
      if (found != nullptr) *found = counter;
      return candidate;
    }
  }
  return "";
}
