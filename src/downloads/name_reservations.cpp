// The process-wide table of reserved target paths.
#include "downloads/name_reservations.h"

#include <map>
#include <mutex>
#include <cstdint>
#include <string>

#include "base/utf8_text.h"

namespace {

// Folds a Windows-1252 byte to its upper-case letter where the file system takes both as one.
char FoldedByte(char c) {
  const unsigned char b = static_cast<unsigned char>(c);
  if (b >= 'a' && b <= 'z') return static_cast<char>(b - 32);
  if (b >= 0xE0 && b <= 0xFE && b != 0xF7) return static_cast<char>(b - 32);
  switch (b) {
    case 0x9A: return static_cast<char>(0x8A);  // s caron
    case 0x9C: return static_cast<char>(0x8C);  // oe
    case 0x9E: return static_cast<char>(0x8E);  // z caron
    case 0xFF: return static_cast<char>(0x9F);  // y diaeresis
    case '/': return '\\';
    default: return c;
  }
}

std::string ReservationKey(std::string_view path) {
  std::string key;
  key.reserve(path.size());
  for (char c : path) key.push_back(FoldedByte(c));
  return key;
}

// The upper-case letter of a lower-case one, in the scripts names are mostly written in; any
// other code point stays.
std::uint32_t UpperCase(std::uint32_t c) {
  if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 0x20;
  if (c == 0xFF) return 0x178;
  if (c == 0xB5) return 0x39C;
  // Latin Extended-A pairs upper, lower; from U+0139 to U+0148 and U+0179 to U+017E lower, upper.
  if ((c >= 0x100 && c <= 0x137 && c != 0x131) || (c >= 0x14A && c <= 0x177)) return c & ~1u;
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1u) ? c : c - 1;
  if (c == 0x17F) return 'S';
  if (c >= 0x3B1 && c <= 0x3CB) return c == 0x3C2 ? 0x3A3 : c - 0x20;  // Greek
  if (c >= 0x3AC && c <= 0x3AF) return c == 0x3AC ? 0x386 : c - 0x25;
  if (c >= 0x3CC && c <= 0x3CE) return c == 0x3CC ? 0x38C : c - 0x3F;
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;  // Cyrillic
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;
  if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x52F)) return c & ~1u;
  if (c >= 0x561 && c <= 0x586) return c - 0x30;  // Armenian
  if (c >= 0xFF41 && c <= 0xFF5A) return c - 0x20;  // full-width Latin
  return c;
}

std::string Utf8Key(std::string_view path) {
  std::string key;
  key.reserve(path.size());
  for (std::size_t at = 0; at < path.size();) {
    std::uint32_t c = 0;
    const std::size_t length = Utf8CharacterAt(path, at, c);
    if (length == 0) {  // no UTF-8: the byte is compared as it is
      key.push_back(path[at++]);
      continue;
    }
    at += length;
    if (c == '/') c = '\\';
    AppendUtf8(key, UpperCase(c));
  }
  return key;
}

std::string KeyOf(std::string_view path, NameFold fold) {
  return fold == NameFold::kUtf8 ? Utf8Key(path) : ReservationKey(path);
}

struct ReservationTable {
  std::mutex lock;
  std::map<std::string, int> counts;  // key -> number of reservations
};

ReservationTable& Reservations() {
  static ReservationTable table;
  return table;
}

// Caller holds the table's lock.
bool IsReservedLocked(const ReservationTable& table, std::string_view path, NameFold fold) {
  return table.counts.find(KeyOf(path, fold)) != table.counts.end();
}

// Caller holds the table's lock. Returns whether the path was free before.
bool ReserveLocked(ReservationTable& table, std::string_view path, NameFold fold) {
  return ++table.counts[KeyOf(path, fold)] == 1;
}

}  // namespace

std::string ReserveUniqueTargetPath(std::string_view base, const PathTakenTest& fileExistsNonEmpty, NameFold fold,
                                    int* nextCounter) {
  ReservationTable& table = Reservations();
  std::lock_guard<std::mutex> guard(table.lock);
  int found = 0;
  const std::string path = UniqueTargetPath(
      base,
      [&](const std::string& name) {
        return IsReservedLocked(table, name, fold) || fileExistsNonEmpty(name) ||
               fileExistsNonEmpty(name + std::string(kPartialFileSuffix));
      },
      nextCounter != nullptr ? *nextCounter : 1, &found);
  if (path.empty()) return path;
  ReserveLocked(table, path, fold);
  if (nextCounter != nullptr) *nextCounter = found + 1;
  return path;
}

bool ReserveTargetPath(std::string_view path, NameFold fold) {
  ReservationTable& table = Reservations();
  std::lock_guard<std::mutex> guard(table.lock);
  return ReserveLocked(table, path, fold);
}

void ReleaseTargetPath(std::string_view path, NameFold fold) {
  ReservationTable& table = Reservations();
  std::lock_guard<std::mutex> guard(table.lock);
  const auto it = table.counts.find(KeyOf(path, fold));
  if (it == table.counts.end()) return;
  if (--it->second == 0) table.counts.erase(it);
}

bool IsTargetPathReserved(std::string_view path, NameFold fold) {
  ReservationTable& table = Reservations();
  std::lock_guard<std::mutex> guard(table.lock);
  return IsReservedLocked(table, path, fold);
}

std::string FoldedName(std::string_view name, NameFold fold) { return KeyOf(name, fold); }
