// Stands in for the programs the shell would open an address or a saved song with: registered in
// the test prefix as the "open" handler of ".mp3" files and of http and https addresses. Each
// start appends one line, its argument exactly as received without surrounding quotes, to the
// file named by VERDIMO_RECORDER_LOG, and exits 0. Tests read the lines back
// (tests/shared/recorder_log.h).
#include <windows.h>

#include <string>

namespace {

// The command line after the program's own name, without one pair of surrounding quotes.
std::string ArgumentOf(const char* commandLine) {
  const char* p = commandLine;
  if (*p == '"') {
    ++p;
    while (*p != '\0' && *p != '"') ++p;
    if (*p == '"') ++p;
  } else {
    while (*p != '\0' && *p != ' ' && *p != '\t') ++p;
  }
  while (*p == ' ' || *p == '\t') ++p;
  std::string argument = p;
  while (!argument.empty() && (argument.back() == ' ' || argument.back() == '\t')) argument.pop_back();
  if (argument.size() >= 2 && argument.front() == '"' && argument.back() == '"') {
    argument = argument.substr(1, argument.size() - 2);
  }
  return argument;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char logPath[MAX_PATH] = "";
  const DWORD length = GetEnvironmentVariableA("VERDIMO_RECORDER_LOG", logPath, sizeof(logPath));
  if (length == 0 || length >= sizeof(logPath)) return 0;
  const std::string line = ArgumentOf(GetCommandLineA()) + "\r\n";
  // Several starts may append at once: one write per line, at the end of the file.
  HANDLE log = CreateFileA(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (log == INVALID_HANDLE_VALUE) return 0;
  DWORD written = 0;
  WriteFile(log, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(log);
  return 0;
}
