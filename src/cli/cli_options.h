// What the command line was asked to do, read from its arguments.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

// The command's exit codes.
constexpr int kExitDone = 0;          // all listed or saved (skipped songs count as saved)
constexpr int kExitSongsFailed = 1;   // some songs failed, or the output could not be written
constexpr int kExitUsage = 2;         // a usage error, a text that is no profile, a folder in use
constexpr int kExitUnreadable = 3;    // the profile could not be read
constexpr int kExitInterrupted = 130; // Ctrl-C
constexpr int kExitTerminated = 143;  // SIGTERM
constexpr int kExitHungUp = 129;      // SIGHUP

// Songs saved side by side unless --jobs says otherwise, and the most it takes.
constexpr int kDefaultJobs = 8;
constexpr int kMostJobs = 64;
// Tries after the first for a failure that may pass, unless --retries says otherwise.
constexpr int kDefaultRetries = 3;
constexpr int kMostRetries = 100;
// The pace window unless --stall-seconds says otherwise.
constexpr int kDefaultStallSeconds = 60;

// How one profile's files are laid out in the folder, and with several profiles.
constexpr const char* kOneProfileTemplate = "{title}.mp3";
constexpr const char* kProfilesTemplate = "{artist}/{title}.mp3";

enum class CliCommand { kList, kSave };

struct CliOptions {
  CliCommand command = CliCommand::kList;
  std::vector<std::string> profiles;  // in the order given, the batch file's after the words
  std::string folder = ".";
  std::string output;  // -o; "" for the default of one profile or of several
  int jobs = kDefaultJobs;
  bool json = false;
  bool quiet = false;
  bool again = false;
  bool tag = false;
  bool playlist = false;
  bool verbose = false;
  int retries = kDefaultRetries;
  std::string proxy;
  bool noProxy = false;
  unsigned long long rateLimit = 0;  // bytes per second, 0 for none
  int stallSeconds = kDefaultStallSeconds;
};

struct ParsedArguments {
  bool run = false;  // false: help, the version or a usage error was printed; exit with exitCode
  int exitCode = kExitDone;
  CliOptions options;
};

// Reads the arguments (UTF-8, the program's name first). Help and the version go to out, usage
// errors to err. readBatch reads a batch file ("-": standard input) into its text; false when it
// cannot be read.
ParsedArguments ParseArguments(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
                               const std::function<bool(const std::string& path, std::string& text)>& readBatch);

// The profiles of a batch file's text: one a line, blanks around it trimmed; empty lines and
// lines starting with "#" left out, and a " #" ends a line's profile.
std::vector<std::string> BatchProfiles(const std::string& text);

// The worse of two exit codes, in the order 130, 143, 129, 3, 2, 1, 0.
int WorseExitCode(int a, int b);
