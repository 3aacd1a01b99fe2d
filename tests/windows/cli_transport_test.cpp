// The command line's WinINet transports and the window's URL download call against the stand-in
// site (reached through http_proxy).
#include "cli/wininet_transports.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "cli/windows_text.h"
#include "common/test_files.h"
#include "contract/transfer_contract.h"
#include "net/page_fetcher.h"
#include "net/url_transfer.h"

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

void Write(const std::string& utf8Path, const std::string& bytes) {
  std::FILE* file = _wfopen(WideFromUtf8(utf8Path).c_str(), L"wb");
  if (file == nullptr) return;
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

const TransferLimits kShortPace{1024, 2000, TransferLimits().maxBytes};

}  // namespace

TEST(CliTransport, SongsFollowTheContract) {
  const std::string dir = FreshTempFolder("contract"), run = std::to_string(GetCurrentProcessId()) + "x" + std::to_string(GetTickCount());
  const WinInetCliSession session(kShortPace);
  ASSERT_NE(session.get(), nullptr);
  WinInetFileTransport songs(session.get(), kShortPace);
  RunTransferContract(songs, dir, run, false, {Write, Slurp});
  // A name the system's narrow code page cannot write.
  TransferRequest request;
  request.url = "http://audio.verdimo.test/gen/100000/0.mp3";
  request.targetPath = dir + "Caf\xC3\xA9 \xD0\x9D\xD0\xBE\xD1\x87\xD1\x8C.mp3";
  EXPECT_TRUE(songs.Transfer(request).whole);
  EXPECT_TRUE(songs.FileExistsNonEmpty(request.targetPath));
  // A ".part" planted as a link (tests/wine/env-up plants them) is never written through.
  for (const char* name : {"C:\\planted\\linked.mp3", "C:\\planted\\dangling.mp3"}) {
    request.targetPath = name;
    request.resume = {50000, "\"gen-100000-0\""};
    EXPECT_EQ(songs.Transfer(request).reason, "the file cannot be written") << name;
  }
  EXPECT_EQ(std::make_pair(Slurp("C:\\planted-outside\\kept.txt"), Slurp("C:\\planted-outside\\nowhere")),
            std::make_pair(std::string("kept"), std::string("none")));
}

TEST(CliTransport, TheWindowsPlainTransferFollowsTheContract) {
  const std::string dir = FreshTempFolder("urlmon");
  SetTransferLimits(kShortPace);
  UrlMonFileTransport songs;
  RunTransferContract(songs, dir, "", true, {Write, Slurp});
  SetTransferLimits(TransferLimits());
}

TEST(CliTransport, PagesFollowTheRules) {
  const WinInetCliSession session(kShortPace);
  WinInetPageTransport pages(session.get(), session.ReceiveTimeoutMs(), &session.Pace());
  const struct { std::string url; int length; } rows[] = {  // length 1: any body
      {"http://www.verdimo.test/someband", 1},
      {"http://www.verdimo.test/heldband", -1},
      {"http://audio.verdimo.test/fault/bursts.mp3?bytes=500&every=1.2", -1},
  };
  for (const auto& row : rows) {
    FetchBuffer buffer{};
    ASSERT_TRUE(PrepareFetchBuffer(buffer, pages.Allocator()));
    EXPECT_EQ(std::min(pages.Fetch(row.url, buffer, {}), 1), row.length) << row.url;
    FreeFetchBuffer(buffer, pages.Allocator());
  }
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
