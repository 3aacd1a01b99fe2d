// The process-wide table of reserved target paths.
#include "downloads/name_reservations.h"

#include <map>
#include <mutex>
#include <string>

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

struct ReservationTable {
  std::mutex lock;
  std::map<std::string, int> counts;  // key -> number of reservations
};

ReservationTable& Reservations() {
  static ReservationTable table;
  return table;
}

// Caller holds the table's lock.
bool IsReservedLocked(const ReservationTable& table, std::string_view path) {
  return table.counts.find(ReservationKey(path)) != table.counts.end();
}

// Caller holds the table's lock. Returns whether the path was free before.
bool ReserveLocked(ReservationTable& table, std::string_view path) {
  return ++table.counts[ReservationKey(path)] == 1;
}

}  // namespace

std::string ReserveUniqueTargetPath(std::string_view base,
                                    const PathTakenTest& fileExistsNonEmpty, NameFold) {
  ReservationTable& table = Reservations();
  std::lock_guard<std::mutex> guard(table.lock);
  const std::string path = UniqueTargetPath(base, [&](const std::string& name) {
    return IsReservedLocked(table, name) || fileExistsNonEmpty(name) ||
           fileExistsNonEmpty(name + std::string(kPartialFileSuffix));
  });
  if (!path.empty()) ReserveLocked(table, path);
  return path;
}

bool ReserveTargetPath(std::string_view path, NameFold) {
  ReservationTable& table = Reservations();
  std::lock_guard<std::mutex> guard(table.lock);
  return ReserveLocked(table, path);
}

void ReleaseTargetPath(std::string_view path, NameFold) {
  ReservationTable& table = Reservations();
  std::lock_guard<std::mutex> guard(table.lock);
  const auto it = table.counts.find(ReservationKey(path));
  if (it == table.counts.end()) return;
  if (--it->second == 0) table.counts.erase(it);
}

bool IsTargetPathReserved(std::string_view path, NameFold) {
  ReservationTable& table = Reservations();
  std::lock_guard<std::mutex> guard(table.lock);
  return IsReservedLocked(table, path);
}

std::string FoldedName(std::string_view name, NameFold) { return ReservationKey(name); }
