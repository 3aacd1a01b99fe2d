// The arguments, read with CLI11. Its exceptions stay in here: a usage error becomes exit code 2.
#include "cli/cli_options.h"

#include <CLI/CLI.hpp>

#include "cli/rate_limit.h"

namespace {

constexpr const char* kFooter = R"(
Examples:
  verdimo-cli list someband
  verdimo-cli list --json http://www.verdimo.test/someband > songs.jsonl
  verdimo-cli save someband ~/Music/someband
  verdimo-cli save -j 4 someband ~/Music/someband    (run again later: only new songs)
  verdimo-cli save --again someband ~/Music/someband (every song anew, beside the old files)
  verdimo-cli save -d ~/Music someband otherband     (files go to ~/Music/<artist>/<title>.mp3)
  verdimo-cli save -d ~/Music -a bands.txt -o '{artist}/{index} {title}.mp3'
  verdimo-cli save --retries 5 --limit-rate 500K -x http://127.0.0.1:3128 someband
  verdimo-cli save --tag --playlist someband ~/Music/someband

The folder's record: .verdimo-index.json (and, while a run saves, .verdimo-index.journal) names
each song's file and whether it is whole; a run again skips what is whole and continues each
.part by range (Range, If-Range), even after a kill. .verdimo-index.lock keeps a second run out.

Proxy: --proxy, else http_proxy (http), HTTPS_PROXY or https_proxy (https), ALL_PROXY or
all_proxy, minus NO_PROXY, as curl reads them; upper-case HTTP_PROXY is not read, as curl does
not read it (a web server's CGI sets it from a request's "Proxy:" header). On Windows the system's
proxy settings unless --proxy is given.

Exit codes: 0 all listed or saved; 1 some songs failed or the output could not be written;
2 usage error, no profile, a folder in use or that cannot be written; 3 a profile could not be
read (its status, the proxy, the network); 130 Ctrl-C, 143 SIGTERM, 129 SIGHUP. With several
profiles, the worst of them in that order from 130.
)";

int Rank(int code) {
  switch (code) {
    case kExitInterrupted: return 7;
    case kExitTerminated: return 6;
    case kExitHungUp: return 5;
    case kExitUnreadable: return 4;
    case kExitUsage: return 3;
    case kExitSongsFailed: return 2;
    case kExitDone: return 0;
    default: return 1;
  }
}

std::string Trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return std::string();
  const std::size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

}  // namespace

int WorseExitCode(int a, int b) { return Rank(b) > Rank(a) ? b : a; }

std::vector<std::string> BatchProfiles(const std::string& text) {
  std::vector<std::string> profiles;
  std::size_t at = 0;
  while (at <= text.size()) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    std::string line = text.substr(at, end - at);
    at = end + 1;
    const std::size_t comment = line.find(" #");
    if (comment != std::string::npos) line.erase(comment);
    line = Trimmed(line);
    if (!line.empty() && line[0] != '#') profiles.push_back(line);
  }
  return profiles;
}

ParsedArguments ParseArguments(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
                               const std::function<bool(const std::string& path, std::string& text)>& readBatch) {
  ParsedArguments parsed;
  CliOptions& o = parsed.options;
  CLI::App app("Lists and saves the songs of Verdimo profiles.", "verdimo-cli");
  app.set_version_flag("--version", "verdimo-cli " VERDIMO_VERSION);
  app.footer(kFooter);
  app.require_subcommand(1, 1);

  std::vector<std::string> words;
  std::string batchFile, rate;
  bool folderGiven = false;
  const auto network = [&](CLI::App* command) {
    command->add_option("-a,--batch-file", batchFile, "Profiles from FILE too, one a line, # for comments (- for standard input)");
    command->add_option("--retries", o.retries, "Tries after the first for a failure that may pass (default 3)")
        ->check(CLI::Range(0, kMostRetries));
    command->add_option("-x,--proxy", o.proxy, "The proxy to use (http://HOST:PORT) instead of the environment's");
    command->add_flag("--no-proxy", o.noProxy, "Use no proxy at all");
    command->add_option("--limit-rate", rate, "Bytes per second for the whole run: 500K, 2M (K = 1024)");
    command->add_option("--stall-seconds", o.stallSeconds, "Give up a transfer that brings less than 1 KB in N s (default 60)")
        ->check(CLI::Range(1, 3600));
    command->add_flag("-v,--verbose", o.verbose, "Each request and answer on standard error");
  };

  CLI::App* list = app.add_subcommand("list", "Print each song's name and address, tab-separated, one per line.");
  list->add_option("PROFILE", words, "Profiles' addresses or names")->expected(0, -1);
  list->add_flag("--json", o.json, "One JSON object per line: {\"name\": ..., \"url\": ...}");
  network(list);

  CLI::App* save = app.add_subcommand("save", "Save every song into FOLDER; run again, save only what is new.");
  save->add_option("PROFILE", words, "PROFILE [FOLDER]; with -d, every word is a profile")->expected(0, -1);
  save->add_option("-d,--folder", o.folder, "Where the songs go; every word after the command is then a profile")
      ->each([&folderGiven](const std::string&) { folderGiven = true; });
  save->add_option("-o,--output", o.output, "Files as {artist}, {title}, {index} lay them out (default {title}.mp3; "
                                             "{artist}/{title}.mp3 for several profiles)");
  save->add_option("-j,--jobs", o.jobs, "Songs saved side by side (default 8)")->check(CLI::Range(1, kMostJobs));
  save->add_flag("--again", o.again, "Save every song anew, with free names beside the old files");
  save->add_flag("-q,--quiet", o.quiet, "Leave out the line printed for each song");
  save->add_flag("--tag", o.tag, "Write the title, artist, track and address into each song (ID3v2.4); "
                                 "a run again tags songs saved without it");
  save->add_flag("--playlist", o.playlist, "Write {artist}.m3u8 listing the songs saved in the folder");
  network(save);

  std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
  if (!reversed.empty()) reversed.pop_back();  // the program's name
  const auto usage = [&](const std::string& text) {
    err << "verdimo-cli: " << text << "\nRun with --help for more information.\n";
    parsed.exitCode = kExitUsage;
    return parsed;
  };
  try {
    app.parse(reversed);
  } catch (const CLI::ParseError& e) {
    const bool asked = e.get_exit_code() == 0;  // --help or --version
    parsed.exitCode = asked ? kExitDone : kExitUsage;
    app.exit(e, asked ? out : err, err);
    return parsed;
  }
  o.command = list->parsed() ? CliCommand::kList : CliCommand::kSave;
  if (o.command == CliCommand::kSave && !folderGiven && words.size() > 2) {
    return usage("save takes PROFILE [FOLDER]; give several profiles with -d FOLDER.");
  }
  if (o.command == CliCommand::kSave && !folderGiven && words.size() == 2) {
    o.folder = words.back();
    words.pop_back();
  }
  o.profiles = words;
  if (!batchFile.empty()) {
    std::string text;
    if (!readBatch || !readBatch(batchFile, text)) return usage("the batch file \"" + batchFile + "\" cannot be read.");
    for (std::string& profile : BatchProfiles(text)) o.profiles.push_back(std::move(profile));
  }
  if (o.profiles.empty()) return usage("no profile given.");
  if (!rate.empty()) {
    o.rateLimit = ParseRate(rate);
    if (o.rateLimit == 0) return usage("--limit-rate takes a rate such as 500K or 2M, not \"" + rate + "\".");
  }
  if (o.noProxy && !o.proxy.empty()) return usage("--proxy and --no-proxy exclude each other.");
  parsed.run = true;
  return parsed;
}
