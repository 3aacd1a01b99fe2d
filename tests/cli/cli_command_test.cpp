// verdimo-cli as a user runs it, against the stand-in site: what it prints, the files it leaves
// and its exit codes.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <tuple>
#include <vector>

#include "cli/local_files.h"
#include "cli/song_tags.h"
#include "cli/stand_in_site.h"
#include "common/site_bodies.h"

namespace fs = std::filesystem;
extern char** environ;

namespace {

struct CliRun {
  int code;
  std::string out;
  std::string err;
};

// outTo: where standard output goes ("" for a file the run returns).
CliRun Cli(const StandInSite& site, const std::string& arguments, const std::string& outTo = "") {
  const fs::path out = site.dir() / "out", err = site.dir() / "err";
  const std::string sink = outTo.empty() ? out.string() : outTo;
  const int status = std::system((VERDIMO_CLI " " + arguments + " >" + sink + " 2>" + err.string()).c_str());
  return CliRun{WIFEXITED(status) ? WEXITSTATUS(status) : -1, outTo.empty() ? Slurp(out) : "", Slurp(err)};
}

std::string Lines(std::initializer_list<std::string> lines) {
  std::string all;
  for (const std::string& line : lines) all += line + "\n";
  return all;
}

// The lines in byte order: songs end in any order.
std::string Sorted(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
    lines.push_back(text.substr(at, end + 1 - at));
  }
  std::sort(lines.begin(), lines.end());
  std::string all;
  for (const std::string& line : lines) all += line;
  return all;
}

}  // namespace

TEST(VerdimoCli, ListsWhatTheWindowListsKeepingEveryCharacter) {
  const StandInSite site("verdimo-cli-list");
  ASSERT_FALSE(site.proxy().empty());
  const std::string s = "http://audio.verdimo.test/songs/", world = "http://www.verdimo.test/worldband";
  const struct {
    std::string arguments;
    int code;
    std::string out;
  } rows[] = {
      // The window's rows for someband, its Windows-1252 name in UTF-8.
      {"list someband", 0, Lines({"Rock & Roll\t" + s + "tone1.mp3", "EndlessSummer\t" + s + "tone2.mp3",
                                  "It's Late\t" + s + "tone3.mp3", "Caf\xC3\xA9 du Nord\t" + s + "tone4.mp3",
                                  "Salt &amp; Pepper\t" + s + "tone5.mp3?from=verdimo&id=5"})},
      // Where the window shows "???? ??", and a direction override blanked.
      {"list --json " + world, 0,
       Lines({"{\"name\":\"\xD0\x9D\xD0\xBE\xD1\x87\xD1\x8C \xE6\x9D\xB1\xE4\xBA\xAC\",\"url\":\"" + s + "tone1.mp3\"}",
              "{\"name\":\"Caf\xC3\xA9  3pm.exe\",\"url\":\"" + s + "tone2.mp3\"}",
              "{\"name\":\"Again\",\"url\":\"" + s + "tone1.mp3\"}",
              "{\"name\":\"Cut Once\",\"url\":\"http://audio.verdimo.test/fault/cut-once.mp3?bytes=100000&id=worldband\"}"})},
      {"list minionly", 0, ""},
      {"list http://www.example.test/someband", 2, ""},
      {"save someband " + (site.dir() / "no/such/folder").string(), 2, ""},
      {"save --jobs 0 someband", 2, ""},
      {"frobnicate", 2, ""},
      {"--version", 0, "verdimo-cli " + Slurp(VERDIMO_SOURCE_DIR "/VERSION")},
  };
  for (const auto& row : rows) {
    const CliRun run = Cli(site, row.arguments);
    EXPECT_EQ(std::make_pair(run.code, run.out), std::make_pair(row.code, row.out)) << row.arguments;
  }
  EXPECT_NE(Cli(site, "--help").out.find("Examples:"), std::string::npos);
  // Nothing answers on the discard port: the site cannot be reached.
  setenv("http_proxy", "http://127.0.0.1:9", 1);
  EXPECT_EQ(Cli(site, "list someband").code, 3);
  setenv("http_proxy", site.proxy().c_str(), 1);
}

TEST(VerdimoCli, SavesThenSkipsAndContinuesWhatWasCutOrStopped) {
  const StandInSite site("verdimo-cli-save");
  ASSERT_FALSE(site.proxy().empty());
  const fs::path folder = site.dir() / "songs";
  const std::string night = (folder / "\xD0\x9D\xD0\xBE\xD1\x87\xD1\x8C \xE6\x9D\xB1\xE4\xBA\xAC.mp3").string();
  const std::string cafe = (folder / "Caf\xC3\xA9  3pm.exe.mp3").string(), cut = (folder / "Cut Once.mp3").string();
  // The song cut half-way fails and keeps its .part; the next run continues it with a range.
  CliRun run = Cli(site, "save --retries 0 worldband " + folder.string());
  EXPECT_EQ(run.code, 1);
  EXPECT_EQ(Sorted(run.out), Lines({"Failed!\tCut Once\tthe song ended before its announced length",
                            "Ready!\tCaf\xC3\xA9  3pm.exe\t" + cafe,
                            "Ready!\t\xD0\x9D\xD0\xBE\xD1\x87\xD1\x8C \xE6\x9D\xB1\xE4\xBA\xAC\t" + night,
                            "Skipped\tAgain\t" + night}));
  EXPECT_EQ(fs::file_size(cut + ".part"), 50000u);
  EXPECT_EQ(Slurp(night), Slurp(VERDIMO_SOURCE_DIR "/site/fixtures/songs/tone1.mp3"));
  run = Cli(site, "save worldband " + folder.string());
  EXPECT_EQ(run.code, 0);
  EXPECT_NE(run.out.find("Ready!\tCut Once\t" + cut + "\n"), std::string::npos) << run.out;
  EXPECT_EQ(fs::file_size(cut), 100000u);
  EXPECT_NE(Slurp(site.dir() / "requests").find("cut-once.mp3?bytes=100000&id=worldband\t206\t50000"), std::string::npos);
  EXPECT_EQ(Cli(site, "save --quiet worldband " + folder.string()).out, "");
  std::ofstream(folder / "it's late.mp3") << "an older file";  // names differ in more than letter case
  EXPECT_NE(Cli(site, "save someband " + folder.string()).out.find("/It's Late (2).mp3\n"), std::string::npos);
  EXPECT_EQ(Cli(site, "save worldband " + folder.string()).out.find("Ready!"), std::string::npos);
  // A reader that leaves early does not cut the run short: the next one has nothing left to do.
  const std::string piped = (site.dir() / "piped").string();
  std::system((VERDIMO_CLI " save fifty " + piped + " | head -c 1 >/dev/null").c_str());
  EXPECT_EQ(Cli(site, "save fifty " + piped).out.find("Ready!"), std::string::npos);
}

// However a run ends (a signal it hears, or SIGKILL), the next one continues every .part by range
// under its own name and leaves the folder whole: no second name, no .part, no song fetched twice.
TEST(VerdimoCli, ARunKilledAtAnyMomentIsContinuedWhole) {
  const StandInSite site("verdimo-cli-kill");
  ASSERT_FALSE(site.proxy().empty());
  const std::string profile = "http://www.verdimo.test/someband?&friendID=slow-6";
  const struct { int signal, code; } rows[] = {{SIGINT, 130}, {SIGTERM, 143}, {SIGHUP, 129}, {SIGKILL, -1}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.signal);
    std::string folder = (site.dir() / ("killed-" + std::to_string(row.signal))).string();
    char* argv[] = {const_cast<char*>(VERDIMO_CLI), const_cast<char*>("save"), const_cast<char*>("--quiet"),
                    const_cast<char*>(profile.c_str()), folder.data(), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, VERDIMO_CLI, nullptr, nullptr, argv, environ), 0);
    std::error_code none;  // a missing file counts as -1 bytes, which the +1 makes 0
    for (int i = 0; i < 500 && fs::file_size(fs::path(folder) / "Track 1.mp3.part", none) + 1 < 65537; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (row.signal == SIGINT) {  // the folder is in use
      EXPECT_EQ(Cli(site, "save '" + profile + "' " + folder).code, 2);
    }
    const std::size_t before = Slurp(site.dir() / "requests").size();
    kill(pid, row.signal);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, row.code);
    EXPECT_EQ(Cli(site, "save '" + profile + "' " + folder).code, 0);
    for (int k = 1; k <= 6; ++k) {
      EXPECT_EQ(Slurp(fs::path(folder) / ("Track " + std::to_string(k) + ".mp3")), GeneratedBody(k, 262144)) << k;
    }
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(folder)) files += entry.path().filename().string()[0] != '.';
    EXPECT_EQ(files, 6u);
    const std::string later = Slurp(site.dir() / "requests").substr(before);
    EXPECT_NE(later.find("/gen/262144/1.mp3?seconds=2\t206\t"), std::string::npos) << later;
  }
}

// A planted link is set aside, never written through; a full disk fails its songs with its words,
// and once there is room again the next run finishes the folder without a duplicate.
TEST(VerdimoCli, WritesNothingThroughALinkAndOutlivesAFullDisk) {
  const StandInSite site("verdimo-cli-links");
  ASSERT_FALSE(site.proxy().empty());
  const fs::path folder = site.dir() / "links", outside = site.dir() / "outside";
  fs::create_directories(folder);
  std::ofstream(folder / ".verdimo-index.json")
      << R"({"format": 1, "songs": {"http://audio.verdimo.test/songs/tone1.mp3": )"
      << R"({"file": "Rock & Roll.mp3", "whole": false, "validator": "\"x\""}}})";
  fs::create_symlink(outside / "part", folder / "Rock & Roll.mp3.part");
  fs::create_symlink(outside / "index", folder / ".verdimo-index.json.new");
  fs::create_symlink(outside / "journal", folder / ".verdimo-index.journal");
  EXPECT_EQ(Cli(site, "save someband " + folder.string()).code, 0);
  for (const char* name : {"part", "index", "journal"}) EXPECT_FALSE(fs::exists(outside / name)) << name;
  EXPECT_TRUE(fs::is_symlink(folder / "Rock & Roll.mp3.part.set-aside"));
  EXPECT_EQ(Slurp(folder / "Rock & Roll.mp3"), Slurp(VERDIMO_SOURCE_DIR "/site/fixtures/songs/tone1.mp3"));
  // Names one but for letter case are one name, within a run too.
  const CliRun cases = Cli(site, "save --jobs 1 'http://www.verdimo.test/someband?&friendID=1016' " + folder.string());
  for (const char* name : {"/\xC3\x89mile.mp3\n", "/\xC3\xA9mile (2).mp3\n", "/\xC3\x89MILE (3).mp3\n",
                           "/\xD0\x9D\xD0\xBE\xD1\x87\xD1\x8C.mp3\n", "/\xD0\xBD\xD0\xBE\xD1\x87\xD1\x8C (2).mp3\n"}) {
    EXPECT_NE(cases.out.find(name), std::string::npos) << name << cases.out;
  }

  const fs::path disk = site.dir() / "disk";
  fs::create_directories(disk);
  ASSERT_EQ(std::system(("mount -t tmpfs -o size=256k tmpfs " + disk.string()).c_str()), 0) << "tests run as root";
  const std::string many = "'http://www.verdimo.test/someband?&friendID=rows-200' " + disk.string();
  const CliRun full = Cli(site, "save --jobs 4 " + many);
  EXPECT_EQ(full.code, 1);
  EXPECT_NE(full.out.find("\tthe disk is full\n"), std::string::npos) << full.out;
  std::system(("mount -o remount,size=4m " + disk.string()).c_str());
  EXPECT_EQ(Cli(site, "save " + many).code, 0);
  std::size_t songs = 0;
  for (const auto& entry : fs::directory_iterator(disk)) {
    const std::string name = entry.path().filename().string();
    if (name[0] == '.') continue;
    ++songs;
    const int k = std::atoi(name.substr(6).c_str());
    EXPECT_EQ(Slurp(entry.path()), GeneratedBody(k, 2048)) << name;
  }
  EXPECT_EQ(songs, 200u);
  std::system(("umount " + disk.string()).c_str());
}

// What scripts rely on: honest exit codes and words, retries, the proxy, a rate limit, several
// profiles laid out by a template.
TEST(VerdimoCli, ScriptedRunsEndHonestlyRetryAndLayOutProfiles) {
  const StandInSite site("verdimo-cli-scripted");
  ASSERT_FALSE(site.proxy().empty());
  const fs::path dir = site.dir(), readOnly = dir / "ro";
  fs::create_directories(readOnly);
  ASSERT_EQ(std::system(("mount -t tmpfs -o ro,size=64k tmpfs " + readOnly.string()).c_str()), 0) << "tests run as root";
  std::ofstream(dir / "batch") << "# bands\nworldband\n\n  someband?&friendID=1016   # cases\n";
  const std::string never = (dir / "never").string(), laid = (dir / "laid").string();
  const struct {
    std::string arguments;
    int code;
    std::string err;  // a part of standard error
  } rows[] = {
      {"list http://www.verdimo.test/status/404", 3,
       "No such profile \"http://www.verdimo.test/status/404\": the site answered 404 Not Found."},
      {"save --retries 0 http://www.verdimo.test/status/503 " + never, 3, "the site answered 503 Service Unavailable."},
      {"list --retries 0 -x " + site.proxy() + " HTTPS://www.verdimo.test/someband", 3, "could not be read"},
      {"list --retries 0 -x http://127.0.0.1:9 someband", 3, "the proxy http://127.0.0.1:9 refused the connection."},
      {"save someband " + readOnly.string(), 2, "cannot write into \"" + readOnly.string() + "\": read-only file system"},
      {"save -v 'someband?&friendID=1017' " + (dir / "flaky").string(), 1, "retry 1 of 3 in 1 s: "},
      {"save -q -d " + laid + " someband -a " + (dir / "batch").string() + " -o '{artist}/{index} {title}.mp3'", 0, ""},
      {"save -d " + laid + " -o '../{title}' someband", 2, "makes no file in the folder"},
  };
  for (const auto& row : rows) {
    const CliRun run = Cli(site, row.arguments);
    EXPECT_EQ(run.code, row.code) << row.arguments << "\n" << run.err;
    EXPECT_NE(run.err.find(row.err), std::string::npos) << row.arguments << "\n" << run.err;
  }
  std::system(("umount " + readOnly.string()).c_str());
  const std::string log = Slurp(dir / "requests");
  EXPECT_FALSE(fs::exists(never));
  EXPECT_NE(log.find("CONNECT\twww.verdimo.test:443\t"), std::string::npos);
  // One retry for the busy song, the cut one continued by range, the missing one asked once.
  const auto count = [&log](const std::string& text) {
    std::size_t n = 0;
    for (std::size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(std::make_tuple(count("busy-once.mp3?id=flaky\t503"), count("busy-once.mp3?id=flaky\t200"),
                            count("cut-once.mp3?bytes=100000&id=flaky\t206\t50000"), count("fault/404.mp3\t")),
            std::make_tuple(1u, 1u, 1u, 1u));
  for (const char* file : {"Some Band/1 Rock & Roll.mp3", "World Band/4 Cut Once.mp3", "Some Band/5 \xD0\xBD\xD0\xBE\xD1\x87\xD1\x8C.mp3"}) {
    EXPECT_GT(fs::file_size(fs::path(laid) / file), 0u) << file;
  }
  EXPECT_EQ(Cli(site, "list someband", "/dev/full").code, 1);
  // The limit holds 2 MB to 200 KB a second (a lower bound, which load cannot break).
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Cli(site, "save -q --limit-rate 200K 'someband?&friendID=big-1' " + (dir / "slow").string()).code, 0);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::seconds(8));
}

// --tag: the song tagged through a copy, its audio as the server sent it; no MP3 saved untagged
// with its words; a killed tagging and songs saved untagged finished later without a fetch.
TEST(VerdimoCli, TagsSavedSongsAndListsThemInAPlaylist) {
  const StandInSite site("verdimo-cli-tags");
  ASSERT_FALSE(site.proxy().empty());
  const fs::path folder = site.dir() / "tagged";
  const std::string profile = "'someband?&friendID=1018'", night = "\xD0\x9D\xD0\xBE\xD1\x87\xD1\x8C \xE6\x9D\xB1\xE4\xBA\xAC";
  const std::string tone = Slurp(VERDIMO_SOURCE_DIR "/site/fixtures/songs/tone1.mp3");
  EXPECT_EQ(Cli(site, "save -q " + profile + " " + folder.string()).code, 0);  // saved untagged first
  fs::rename(folder / (night + ".mp3"), folder / (night + ".mp3.part"));    // as a tagging run killed leaves it
  std::ofstream(folder / ".verdimo-index.json")
      << R"({"format": 1, "songs": {"http://audio.verdimo.test/songs/tone1.mp3": {"file": ")" << night
      << R"(.mp3", "whole": true, "tag": "pending"}, "http://audio.verdimo.test/fault/program.mp3": )"
      << R"({"file": "Program.mp3", "whole": true}}})";
  const std::size_t before = Slurp(site.dir() / "requests").size();
  const CliRun run = Cli(site, "save --tag --playlist " + profile + " " + folder.string());
  EXPECT_EQ(run.code, 0);
  EXPECT_NE(run.err.find("not tagged: no MP3 frames"), std::string::npos) << run.err;
  EXPECT_EQ(Slurp(site.dir() / "requests").substr(before).find("audio.verdimo.test"), std::string::npos);
  EXPECT_FALSE(fs::exists(folder / (night + ".mp3.part")));
  EXPECT_EQ(Slurp(folder / "Program.mp3").substr(0, 2), "MZ");
  EXPECT_EQ(Slurp(folder / "Some Band.m3u8"), "#EXTM3U\n#EXTINF:-1," + night + "\n" + night + ".mp3\n#EXTINF:-1,Program\nProgram.mp3\n");
  RandomAccessFile file;
  ASSERT_TRUE(file.OpenToRead((folder / (night + ".mp3")).string()));
  SongTagValues tags;
  ASSERT_TRUE(ReadSongTags(file, tags));
  EXPECT_EQ(std::make_tuple(tags.title, tags.artist, tags.track, tags.total, tags.address),
            std::make_tuple(night, std::string("Some Band"), 1u, 2u, std::string("http://audio.verdimo.test/songs/tone1.mp3")));
  const std::string saved = Slurp(folder / (night + ".mp3"));
  const std::size_t tagSize = 10 + ((saved[6] & 0x7F) << 21 | (saved[7] & 0x7F) << 14 | (saved[8] & 0x7F) << 7 | (saved[9] & 0x7F));
  EXPECT_TRUE(saved.compare(tagSize, std::string::npos, tone) == 0);
}
