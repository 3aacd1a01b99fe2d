// verdimo-cli's entry: the platform's transports and its arguments as UTF-8. Natively libcurl;
// on Windows WinINet, with the arguments taken as wide text.
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_commands.h"
#include "cli/local_system.h"

#ifdef _WIN32
#include "cli/windows_text.h"
#include "cli/wininet_transports.h"

int wmain(int argc, wchar_t** argv) {
  PrepareConsole();
  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i) arguments.push_back(Utf8FromWide(argv[i]));
  WinInetCliSession session;
  WinInetPageTransport pages(session.get(), session.ReceiveTimeoutMs(), &session.Pace());
  WinInetFileTransport songs(session.get());
  CliPlatform platform{pages, songs, '\\', kWideNameBounds};
  return RunCli(arguments, platform, std::cout, std::cerr);
}
#else
#include "cli/curl_transports.h"

int main(int argc, char** argv) {
  PrepareConsole();
  const std::vector<std::string> arguments(argv, argv + argc);
  CurlPageTransport pages;
  CurlFileTransport songs;
  CliPlatform platform{pages, songs, '/', kNativeNameBounds};
  return RunCli(arguments, platform, std::cout, std::cerr);
}
#endif
