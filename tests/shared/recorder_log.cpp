#include "shared/recorder_log.h"

#include <fstream>
#include <sstream>

namespace {

std::string RecorderLogPath() {
  char path[MAX_PATH] = "";
  const DWORD length = GetEnvironmentVariableA("VERDIMO_RECORDER_LOG", path, sizeof(path));
  return length > 0 && length < sizeof(path) ? std::string(path) : std::string();
}

}  // namespace

std::vector<std::string> RecordedLines() {
  std::vector<std::string> lines;
  std::ifstream log(RecorderLogPath(), std::ios::binary);
  std::string line;
  while (std::getline(log, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

void ClearRecordedLines() {
  const std::string path = RecorderLogPath();
  if (!path.empty()) std::ofstream(path, std::ios::binary | std::ios::trunc);
}

bool WaitForRecordedLine(const std::string& line, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    for (const std::string& recorded : RecordedLines()) {
      if (recorded == line) return true;
    }
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(20);
  }
}
