#include "common/recorder_log.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "common/wait.h"

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
  return WaitUntil(
      [&line] {
        const std::vector<std::string> recorded = RecordedLines();
        return std::find(recorded.begin(), recorded.end(), line) != recorded.end();
      },
      timeoutMs);
}
