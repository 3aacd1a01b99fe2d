// What the recorder (tests/recorder) wrote: one line per start of the shell's "open" handler for
// songs and web addresses, in the file that VERDIMO_RECORDER_LOG names.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The log's lines, oldest first, without line ends; empty when there is no log.
std::vector<std::string> RecordedLines();
// Empties the log, so that a test sees only what it caused itself.
void ClearRecordedLines();
// Waits at most timeoutMs until a line equal to line is in the log; true when it is.
bool WaitForRecordedLine(const std::string& line, DWORD timeoutMs);
