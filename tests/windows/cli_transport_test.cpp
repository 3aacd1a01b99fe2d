// The command line's WinINet transports against the stand-in site (reached through http_proxy).
#include "cli/wininet_transports.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <tuple>

#include "cli/windows_text.h"
#include "common/site_control.h"
#include "common/test_files.h"
#include "net/page_fetcher.h"

namespace {

// The whole file through the wide API, or "none".
std::string Slurp(const std::string& utf8Path) {
  std::FILE* file = _wfopen(WideFromUtf8(utf8Path).c_str(), L"rb");
  if (file == nullptr) return "none";
  std::string bytes;
  char chunk[65536];
  for (std::size_t count; (count = std::fread(chunk, 1, sizeof(chunk), file)) > 0;) bytes.append(chunk, count);
  std::fclose(file);
  return bytes;
}

}  // namespace

TEST(CliTransport, PagesAndSongsFollowTheRulesAndResume) {
  const std::string dir = FreshTempFolder("cli"), a = "http://audio.verdimo.test";
  const std::string cut = a + "/fault/cut-once.mp3?bytes=100000&id=cli" + std::to_string(GetCurrentProcessId()) + "x" + std::to_string(GetTickCount());
  WriteWholeFile(dir + "stale.mp3.part", "not the song");
  const struct {  // in order; pageLength 1: any body; partBytes: the ".part" afterwards, -1 for none
    std::string url, target, validator;
    int keepPart, pageLength, complete, resumed, partBytes;
    std::string reason;
  } rows[] = {
      {"http://www.verdimo.test/someband", "", "", 0, 1, 0, 0, -1, ""},
      {"http://www.verdimo.test/heldband", "", "", 0, -1, 0, 0, -1, ""},
      {a + "/gen/100000/0.mp3", "whole.mp3", "", 0, 0, 1, 0, -1, ""},
      {a + "/fault/404.mp3", "404.mp3", "", 1, 0, 0, 0, -1, "HTTP 404"},
      {"file:///C:/windows/win.ini", "file.mp3", "", 0, 0, 0, 0, -1, "not a web address"},
      {a + "/fault/redirect.mp3?to=file%3A%2F%2F%2FC%3A%2Fwindows%2Fwin.ini", "moved.mp3", "", 0, 0, 0, 0, -1, "HTTP 302"},
      {a + "/fault/stall.mp3?seconds=20", "stall.mp3", "", 0, 0, 0, 0, -1, "no data came for 2 s"},
      {cut, "cut.mp3", "", 1, 0, 0, 0, 50000, "the song ended before its announced length"},
      {cut, "cut.mp3", "previous", 0, 0, 1, 1, -1, ""},
      {a + "/gen/100000/0.mp3", "stale.mp3", "\"stale\"", 0, 0, 1, 0, -1, ""},
      {a + "/gen/100000/0.mp3", "Caf\xC3\xA9 \xD0\x9D\xD0\xBE\xD1\x87\xD1\x8C.mp3", "", 0, 0, 1, 0, -1, ""},
  };
  const TransferLimits limits{1024, 2000, TransferLimits().maxBytes};
  const WinInetCliSession session(limits);
  ASSERT_NE(session.get(), nullptr);
  WinInetPageTransport pages(session.get(), session.ReceiveTimeoutMs());
  WinInetFileTransport songs(session.get(), limits);
  std::string previous;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.url + " " + row.target);
    FetchBuffer buffer{};
    ASSERT_TRUE(PrepareFetchBuffer(buffer, pages.Allocator()));
    EXPECT_EQ(std::min(row.target.empty() ? pages.Fetch(row.url, buffer, {}) : 0, 1), row.pageLength);
    FreeFetchBuffer(buffer, pages.Allocator());
    if (row.target.empty()) continue;
    const std::string target = dir + row.target, part = target + ".part";  // "previous": the last row's
    const ResumeOutcome got = songs.TransferResumable(row.url, target, {!row.validator.empty(), row.validator == "previous" ? previous : row.validator, row.keepPart != 0}, {}, nullptr);
    previous = got.validator;
    const std::string partBytes = Slurp(part);
    EXPECT_EQ(std::make_tuple(got.complete, got.resumed, partBytes == "none" ? -1 : static_cast<int>(partBytes.size()), Slurp(target), got.reason),
              std::make_tuple(row.complete != 0, row.resumed != 0, row.partBytes, row.complete ? GeneratedBody(0, 100000) : "none", row.reason));
  }
  EXPECT_TRUE(songs.FileExistsNonEmpty(dir + rows[10].target));
  ReleaseEndlessBodies();
}

TEST(CliTransport, TextTurnsWideAndBackReplacingBrokenText) {
  const struct { std::string narrow; std::wstring wide; std::string back; } rows[] = {
      {"Caf\xC3\xA9 \xD0\x9D", L"Caf\x00E9 \x041D", "Caf\xC3\xA9 \xD0\x9D"},
      {"a\xFF" "b\xC3", L"a\xFFFD" L"b\xFFFD", "a\xEF\xBF\xBD" "b\xEF\xBF\xBD"},
      {"", L"", ""},
  };
  for (const auto& row : rows) EXPECT_EQ(std::make_pair(WideFromUtf8(row.narrow), Utf8FromWide(row.wide)), std::make_pair(row.wide, row.back));
  EXPECT_EQ(Utf8FromWide(std::wstring(L"x") + static_cast<wchar_t>(0xD800)), "x\xEF\xBF\xBD");
}
