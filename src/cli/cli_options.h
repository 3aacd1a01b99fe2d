// What the command line was asked to do, read from its arguments.
#pragma once

#include <ostream>
#include <string>
#include <vector>

// The command's exit codes.
constexpr int kExitDone = 0;          // all listed or saved (skipped songs count as saved)
constexpr int kExitSongsFailed = 1;   // some songs failed
constexpr int kExitUsage = 2;         // a usage error, a text that is no profile, a folder in use
constexpr int kExitUnreadable = 3;    // the profile could not be read
constexpr int kExitInterrupted = 130; // Ctrl-C

// Songs saved side by side unless --jobs says otherwise, and the most it takes.
constexpr int kDefaultJobs = 8;
constexpr int kMostJobs = 64;

enum class CliCommand { kList, kSave };

struct CliOptions {
  CliCommand command = CliCommand::kList;
  std::string profile;
  std::string folder = ".";
  int jobs = kDefaultJobs;
  bool json = false;
  bool quiet = false;
  bool again = false;
};

struct ParsedArguments {
  bool run = false;  // false: help, the version or a usage error was printed; exit with exitCode
  int exitCode = kExitDone;
  CliOptions options;
};

// Reads the arguments (UTF-8, the program's name first). Help and the version go to out, usage
// errors to err.
ParsedArguments ParseArguments(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
