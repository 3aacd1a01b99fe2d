// Naming of the files that download jobs write.
#include "downloads/download_naming.h"

#include <string>

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
// bytes B9, B2, B3) count as digits there too.
bool IsDeviceName(std::string_view name) {
  std::string_view stem = name.substr(0, name.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
  for (std::string_view device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
    if (EqualsIgnoringAsciiCase(stem, device)) return true;
  }
  if (stem.size() != 4) return false;
  if (!EqualsIgnoringAsciiCase(stem.substr(0, 3), "COM") &&
      !EqualsIgnoringAsciiCase(stem.substr(0, 3), "LPT")) {
    return false;
  }
  const unsigned char digit = static_cast<unsigned char>(stem[3]);
  return (digit >= '0' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
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
  if (safe.size() > room) safe.resize(room);
  DropTrailingDotsAndBlanks(safe);
  // The cut may have made a device name ("CONSOLE" cut to "CON"), so this check comes after it;
  // the "_" in front keeps the result from being one, and from being empty.
  if (IsDeviceName(safe)) {
    safe.insert(safe.begin(), '_');
    if (safe.size() > room) safe.resize(room);
    DropTrailingDotsAndBlanks(safe);
  }
  if (safe.empty()) safe = "_";
  return safe;
}

std::string UniqueTargetPath(std::string_view base, const PathTakenTest& isTaken) {
  // A base with the extension already is written as it is, so the free-name test must look at
  // it and not at base + ".mp3".
  const bool hasExtension = EndsWithMp3Extension(base);
  const std::string_view stem =
      hasExtension ? base.substr(0, base.size() - kMp3Extension.size()) : base;
  const std::string_view extension =
      hasExtension ? base.substr(base.size() - kMp3Extension.size()) : kMp3Extension;

  std::string candidate(stem);
  candidate += extension;
  for (int counter = 1; counter <= kLastNameCounter; ++counter) {
    if (counter > 1) {
      candidate.assign(stem);
      candidate += " (";
      candidate += std::to_string(counter);
      candidate += ')';
      candidate += extension;
    }
    if (!isTaken(candidate)) return candidate;
  }
  return "";
}
