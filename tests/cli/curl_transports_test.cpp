// The libcurl transports against the stand-in site, which this program starts on a free port, and
// against nginx.
#include "cli/curl_transports.h"

#include <gtest/gtest.h>

#include "acquisition/profile_read.h"
#include "cli/stand_in_site.h"
#include "common/site_bodies.h"
#include "contract/transfer_contract.h"

namespace fs = std::filesystem;
namespace {

struct Rows : ProfileReadEvents {
  std::vector<std::pair<std::string, std::string>> rows;
  bool StillWanted() override { return true; }
  void Fetching(bool) override {}
  void AddressKnown(const std::string&, const std::string&) override {}
  void PageRead(const ProfilePage&) override {}
  std::size_t SongsFound(std::vector<PlaylistSong>& songs, std::size_t) override {
    for (const PlaylistSong& song : songs) rows.emplace_back(song.name, song.url);
    return songs.size();
  }
  void Message(ReadMessage, const std::string&) override {}
  void Ended(const ProfileReadEnd&) override {}
};

// A real server nobody here wrote, started on a loopback port with a prefix of its own (its
// service is not used) and reached as the proxy for static.verdimo.test; "" when it did not start.
class Nginx {
 public:
  explicit Nginx(const fs::path& prefix) : prefix_(prefix) {
    fs::create_directories(prefix / "www");
    fs::permissions(prefix, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec);
    for (int port = 20000 + getpid() % 20000, tries = 0; tries < 20 && proxy_.empty(); ++tries, ++port) {
      std::ofstream(prefix / "nginx.conf")
          << "worker_processes 1; pid " << (prefix / "nginx.pid").string() << "; error_log "
          << (prefix / "error.log").string() << "; events {} http { access_log off; client_body_temp_path "
          << (prefix / "tmp").string() << "; proxy_temp_path " << (prefix / "tmp").string()
          << "; server { listen 127.0.0.1:" << port << "; root " << (prefix / "www").string() << "; } }";
      if (std::system(("/usr/sbin/nginx -q -e " + (prefix / "error.log").string() + " -p " + prefix.string() + " -c " + (prefix / "nginx.conf").string()).c_str()) == 0) {
        proxy_ = "http://127.0.0.1:" + std::to_string(port);
      }
    }
  }
  ~Nginx() {
    if (proxy_.empty()) return;
    std::system(("/usr/sbin/nginx -q -e " + (prefix_ / "error.log").string() + " -s stop -p " + prefix_.string() +
                 " -c " + (prefix_ / "nginx.conf").string()).c_str());
    for (int i = 0; i < 250 && fs::exists(prefix_ / "nginx.pid"); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  const std::string& proxy() const { return proxy_; }

 private:
  fs::path prefix_;
  std::string proxy_;
};

void WriteFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

}  // namespace

TEST(CurlTransports, SongsFollowTheContract) {
  const StandInSite site("verdimo-contract");
  ASSERT_FALSE(site.proxy().empty());
  CurlFileTransport songs(TransferLimits{1024, 2000, TransferLimits().maxBytes});
  RunTransferContract(songs, site.dir().string() + "/", std::to_string(getpid()), false,
                      {WriteFile, [](const std::string& path) { return Slurp(path); }});
  // A ".part" planted as a link is never written through, dangling or not.
  const fs::path dir = site.dir(), outside = dir / "outside";
  std::ofstream(outside) << "kept";
  fs::create_symlink(outside, dir / "linked.mp3.part");
  fs::create_symlink(dir / "nowhere", dir / "dangling.mp3.part");
  for (const char* name : {"linked.mp3", "dangling.mp3"}) {
    TransferRequest request;
    request.url = "http://audio.verdimo.test/gen/100000/0.mp3";
    request.targetPath = (dir / name).string();
    request.resume = {50000, "\"gen-100000-0\""};
    EXPECT_EQ(songs.Transfer(request).reason, "the file cannot be written") << name;
  }
  EXPECT_EQ(std::make_tuple(Slurp(outside), fs::exists(dir / "nowhere")), std::make_tuple("kept", false));
}

// The static cases against nginx: a whole song, its rest by range, and a fresh fetch once the
// file changed under the validator the ".part" came with.
TEST(CurlTransports, ARealServersRangesAndValidators) {
  const StandInSite site("verdimo-nginx");
  const Nginx nginx(site.dir() / "nginx");
  ASSERT_FALSE(nginx.proxy().empty()) << Slurp(site.dir() / "nginx" / "error.log");
  setenv("http_proxy", nginx.proxy().c_str(), 1);
  const fs::path www = site.dir() / "nginx" / "www", target = site.dir() / "song.mp3";
  const std::string first = GeneratedBody(1, 300000), second = GeneratedBody(2, 300000);
  WriteFile((www / "song.mp3").string(), first);
  CurlFileTransport songs;
  TransferRequest request;
  request.url = "http://static.verdimo.test/song.mp3";
  request.targetPath = target.string();
  const TransferOutcome whole = songs.Transfer(request);
  ASSERT_TRUE(whole.whole) << whole.reason;
  request.resume = {100000, whole.validator};
  WriteFile(target.string() + ".part", first.substr(0, 100000));
  const TransferOutcome rest = songs.Transfer(request);
  WriteFile(target.string() + ".part", first.substr(0, 100000));
  WriteFile((www / "song.mp3").string(), second);
  fs::last_write_time(www / "song.mp3", fs::last_write_time(www / "song.mp3") + std::chrono::hours(1));
  const TransferOutcome changed = songs.Transfer(request);
  EXPECT_EQ(std::make_tuple(rest.whole, rest.continued, changed.whole, changed.continued, Slurp(target)),
            std::make_tuple(true, true, true, false, second));
}

TEST(CurlTransports, PagesFollowTheRules) {
  const StandInSite site("verdimo-cli");
  ASSERT_FALSE(site.proxy().empty());
  CurlPageTransport pages(TransferLimits{1024, 2000, TransferLimits().maxBytes});
  const struct { std::string url; int length; } rows[] = {  // length 1: any body
      {"http://www.verdimo.test/someband", 1},
      {"file:///etc/hostname", -2},
      {"http://audio.verdimo.test/fault/bursts.mp3?bytes=500&every=1.2", -1},
  };
  for (const auto& row : rows) {
    FetchBuffer buffer{};
    ASSERT_TRUE(PrepareFetchBuffer(buffer, pages.Allocator()));
    EXPECT_EQ(std::min(pages.Fetch(row.url, buffer, {}), 1), row.length) << row.url;
    FreeFetchBuffer(buffer, pages.Allocator());
  }
  Rows read;
  ReadProfile("someband", pages, read);
  const std::string s = "http://audio.verdimo.test/songs/";  // the rows the window lists for it
  EXPECT_EQ(read.rows, (decltype(read.rows){{"Rock & Roll", s + "tone1.mp3"}, {"EndlessSummer", s + "tone2.mp3"},
                                           {"It's Late", s + "tone3.mp3"}, {"Caf\xE9 du Nord", s + "tone4.mp3"},
                                           {"Salt &amp; Pepper", s + "tone5.mp3?from=verdimo&id=5"}}));
}
