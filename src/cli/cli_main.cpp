// verdimo-cli's entry: the platform's transports and its arguments as UTF-8. Natively libcurl;
// on Windows WinINet, with the arguments taken as wide text.
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/cli_commands.h"
#include "cli/local_system.h"

#ifdef _WIN32
#include "cli/windows_text.h"
#include "cli/wininet_transports.h"

namespace {

class WinInetNetwork : public CliNetwork {
 public:
  explicit WinInetNetwork(const NetOptions& net)
      : session_(net), pages_(session_.get(), session_.ReceiveTimeoutMs(), &session_.Pace()), songs_(session_.get(), net) {}
  PageTransport& Pages() override { return pages_; }
  FileTransport& Songs() override { return songs_; }

 private:
  WinInetCliSession session_;
  WinInetPageTransport pages_;
  WinInetFileTransport songs_;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  PrepareConsole();
  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i) arguments.push_back(Utf8FromWide(argv[i]));
  CliPlatform platform{[](const NetOptions& net) { return std::make_unique<WinInetNetwork>(net); }, '\\',
                       kWideNameBounds};
  return RunCli(arguments, platform, std::cout, std::cerr);
}
#else
#include "cli/curl_transports.h"

namespace {

class CurlNetwork : public CliNetwork {
 public:
  explicit CurlNetwork(const NetOptions& net) : pages_(net), songs_(net) {}
  PageTransport& Pages() override { return pages_; }
  FileTransport& Songs() override { return songs_; }

 private:
  CurlPageTransport pages_;
  CurlFileTransport songs_;
};

}  // namespace

int main(int argc, char** argv) {
  PrepareConsole();
  const std::vector<std::string> arguments(argv, argv + argc);
  CliPlatform platform{[](const NetOptions& net) { return std::make_unique<CurlNetwork>(net); }, '/',
                       kNativeNameBounds};
  return RunCli(arguments, platform, std::cout, std::cerr);
}
#endif
