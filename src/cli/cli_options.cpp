// The arguments, read with CLI11. Its exceptions stay in here: a usage error becomes exit code 2.
#include "cli/cli_options.h"

#include <CLI/CLI.hpp>

namespace {

constexpr const char* kExamples = R"(
Examples:
  verdimo-cli list someband
  verdimo-cli list --json http://www.verdimo.test/someband > songs.jsonl
  verdimo-cli save someband ~/Music/someband
  verdimo-cli save --jobs 4 someband ~/Music/someband   (run again later: only new songs)
  verdimo-cli save --again someband ~/Music/someband    (every song anew, beside the old files)

Exit codes: 0 all listed or saved, 1 some songs failed, 2 usage error, no profile or folder in
use, 3 the profile could not be read, 130 stopped with Ctrl-C.
)";

}  // namespace

ParsedArguments ParseArguments(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
  ParsedArguments parsed;
  CliOptions& o = parsed.options;
  CLI::App app("Lists and saves the songs of a Verdimo profile.", "verdimo-cli");
  app.set_version_flag("--version", "verdimo-cli " VERDIMO_VERSION);
  app.footer(kExamples);
  app.require_subcommand(1, 1);

  CLI::App* list = app.add_subcommand("list", "Print each song's name and address, tab-separated, one per line.");
  list->add_option("PROFILE", o.profile, "A profile's address or name")->required();
  list->add_flag("--json", o.json, "One JSON object per line: {\"name\": ..., \"url\": ...}");

  CLI::App* save = app.add_subcommand("save", "Save every song into FOLDER; run again, save only what is new.");
  save->add_option("PROFILE", o.profile, "A profile's address or name")->required();
  save->add_option("FOLDER", o.folder, "Where the songs go (default: the current folder)");
  save->add_option("--jobs", o.jobs, "Songs saved side by side (default 8)")->check(CLI::Range(1, kMostJobs));
  save->add_flag("--again", o.again, "Save every song anew, with free names beside the old files");
  save->add_flag("--quiet", o.quiet, "Leave out the line printed for each song");

  std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
  if (!reversed.empty()) reversed.pop_back();  // the program's name
  try {
    app.parse(reversed);
  } catch (const CLI::ParseError& e) {
    const bool asked = e.get_exit_code() == 0;  // --help or --version
    parsed.exitCode = asked ? kExitDone : kExitUsage;
    app.exit(e, asked ? out : err, err);
    return parsed;
  }
  o.command = list->parsed() ? CliCommand::kList : CliCommand::kSave;
  parsed.run = true;
  return parsed;
}
