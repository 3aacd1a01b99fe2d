// The cases every song transport answers alike against the stand-in site (reached through
// http_proxy, with a pace window of 2 s): natively libcurl, under Wine WinINet, and the system's
// URL download call for the cases a plain request has.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>

#include "common/site_bodies.h"
#include "net/file_transport.h"

// Reads and writes the test's files as the platform does: read gives "none" for no file.
struct ContractFiles {
  std::function<void(const std::string& path, const std::string& bytes)> write;
  std::function<std::string(const std::string& path)> read;
};

inline void RunTransferContract(FileTransport& transport, const std::string& folder, const std::string& runId,
                                bool plainRequestsOnly, const ContractFiles& files) {
  const std::string etag = "\"gen-100000-0\"", song = GeneratedBody(0, 100000), a = "http://audio.verdimo.test";
  const std::string misfit = "the server sent a part that does not fit the song";
  const std::string cutShort = "the song ended before its announced length";
  const struct {
    std::string url;
    std::size_t before;  // the ".part" holds the song's first bytes before
    std::string validator;
    bool keep, plain;  // plain: a case of a request without a range
    // What comes of it: the accepted answer as "status total from", the ".part"'s bytes after
    // (-1: none), whose validator is then the song's own.
    bool whole, continued;
    std::string reason, accepted;
    long long partAfter;
  } rows[] = {
      {a + "/gen/100000/0.mp3", 0, "", false, true, true, false, "", "200 100000 0", -1},
      {a + "/fault/404.mp3", 0, "", true, true, false, false, "HTTP 404", "", -1},
      {"file:///c/song.mp3", 0, "", false, true, false, false, "not a web address", "", -1},
      {a + "/fault/part.mp3?kind=plain", 0, "", true, true, false, false, misfit, "", -1},
      {a + "/fault/empty.mp3", 0, "", false, true, false, false, "the song is empty", "200 0 0", -1},
      {a + "/gen/100000/0.mp3", 50000, etag, false, false, true, true, "", "206 100000 50000", -1},
      {a + "/gen/100000/0.mp3", 50000, "\"stale\"", false, false, true, false, "", "200 100000 0", -1},
      {a + "/fault/part.mp3?kind=short", 50000, etag, false, false, true, false, "", "200 100000 0", -1},
      {a + "/fault/part.mp3?kind=etag", 50000, etag, false, false, true, false, "", "200 100000 0", -1},
      {a + "/gen/100000/0.mp3", 50000, "\"a\x01z\"", false, false, true, false, "", "200 100000 0", -1},
      {a + "/gen/100000/0.mp3", 50000, "", false, false, true, false, "", "200 100000 0", -1},
      {a + "/fault/cut-once.mp3?id=whole" + runId, 0, "", true, false, false, false, cutShort, "200 100000 0", 50000},
      {a + "/fault/cut-once.mp3?id=half" + runId, 25000, etag, true, false, false, false, cutShort, "206 100000 25000", 75000},
      {a + "/fault/bursts.mp3?bytes=500&every=1.2", 0, "", false, false, false, false, "less than 1 KB came in 2 s", "200 20000 0", -1},
  };
  int index = 0;
  for (const auto& row : rows) {
    if (plainRequestsOnly && !row.plain) continue;
    SCOPED_TRACE(row.url + " " + row.validator);
    const std::string target = folder + "contract" + std::to_string(++index) + ".mp3", part = target + ".part";
    if (row.before > 0) files.write(part, song.substr(0, row.before));
    std::string accepted;
    TransferRequest request;
    request.url = row.url;
    request.targetPath = target;
    request.resume = {row.before, row.validator};
    request.keepPartOnFailure = row.keep;
    request.accepted = [&accepted](const AcceptedAnswer& answer) {
      accepted = std::to_string(answer.status) + " " + std::to_string(answer.total) + " " + std::to_string(answer.from);
      return true;
    };
    const TransferOutcome got = transport.Transfer(request);
    const std::string left = files.read(part);
    const long long partAfter = left == "none" ? -1 : static_cast<long long>(left.size());
    const std::string saved = files.read(target);
    EXPECT_EQ(std::make_tuple(got.whole, got.continued, got.reason, accepted, partAfter, saved == song, saved.size()),
              std::make_tuple(row.whole, row.continued, row.reason, row.accepted, row.partAfter, row.whole,
                              row.whole ? song.size() : 4u));
    if (row.partAfter > 0) {
      EXPECT_EQ(std::make_tuple(got.validator, got.bytesKept, left == song.substr(0, left.size())),
                std::make_tuple(etag, static_cast<std::uint64_t>(row.partAfter), true));
    }
  }
}
