#include "common/test_files.h"

#include <atomic>

std::string FreshTempFolder(const char* prefix) {
  static std::atomic<int> counter;
  char temp[MAX_PATH] = "";
  GetTempPathA(sizeof(temp), temp);
  std::string folder = std::string(temp) + prefix + "-" + std::to_string(GetCurrentProcessId()) + "-" +
                       std::to_string(GetTickCount()) + "-" + std::to_string(counter.fetch_add(1));
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder + "\\";
}

std::string ReadWholeFile(const std::string& path, bool* exists) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (exists != nullptr) *exists = file != INVALID_HANDLE_VALUE;
  if (file == INVALID_HANDLE_VALUE) return std::string();
  std::string bytes;
  char chunk[65536];
  DWORD count = 0;
  while (ReadFile(file, chunk, sizeof(chunk), &count, nullptr) && count > 0) bytes.append(chunk, count);
  CloseHandle(file);
  return bytes;
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  if (!bytes.empty()) WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = found.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return names;
}

std::string SiteFixture(const std::string& relativePath) {
  std::string path = std::string("Z:") + VERDIMO_SOURCE_DIR + "/site/fixtures/" + relativePath;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return ReadWholeFile(path);
}

std::string FixtureSong(const std::string& file) { return SiteFixture("songs/" + file); }
