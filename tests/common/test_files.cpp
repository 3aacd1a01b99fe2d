#include "common/test_files.h"

#include <atomic>
#include <cstdlib>

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
  std::string bytes;
  const bool opened = ReadFileFrom(path, 0, &bytes);
  if (exists != nullptr) *exists = opened;
  return bytes;
}

bool ReadFileFrom(const std::string& path, long long offset, std::string* bytes) {
  bytes->clear();
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER start;
  start.QuadPart = offset;
  if (SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) {
    char chunk[65536];
    DWORD count = 0;
    while (ReadFile(file, chunk, sizeof(chunk), &count, nullptr) && count > 0) bytes->append(chunk, count);
  }
  CloseHandle(file);
  return true;
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

std::string RequestLogPath() {
  const char* path = getenv("VERDIMO_REQUEST_LOG");
  if (path == nullptr || *path == '\0') return std::string();
  std::string windowsPath = std::string("Z:") + path;
  for (char& c : windowsPath) c = c == '/' ? '\\' : c;
  return windowsPath;
}

long long RequestLogSize() {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(RequestLogPath().c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool RequestLogged(long long offset, const std::string& method, const std::string& url, int status,
                   long long* after) {
  std::string text;
  if (!ReadFileFrom(RequestLogPath(), offset, &text)) return false;
  size_t start = 0;
  for (size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
    const std::string line = text.substr(start, end - start);  // a line still being written has no end yet
    start = end + 1;
    const size_t tab1 = line.find('\t');
    const size_t tab2 = tab1 == std::string::npos ? tab1 : line.find('\t', tab1 + 1);
    const size_t tab3 = tab2 == std::string::npos ? tab2 : line.find('\t', tab2 + 1);
    if (tab3 == std::string::npos) continue;
    if (line.substr(0, tab1) != method || line.substr(tab1 + 1, tab2 - tab1 - 1) != url) continue;
    if (status < 0 || line.substr(tab2 + 1, tab3 - tab2 - 1) == std::to_string(status)) {
      if (after != nullptr) *after = offset + static_cast<long long>(start);
      return true;
    }
  }
  return false;
}

std::string ProgramNextToThisOne(const char* name) {
  char path[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, path, sizeof(path));
  const std::string self = path;
  return self.substr(0, self.rfind('\\') + 1) + name;
}

std::string MarkerOfTheProgram() {
  char folder[MAX_PATH] = "";
  GetTempPathA(sizeof(folder), folder);
  return std::string(folder) + "verdimo-marker-program-ran.txt";
}
