// A request to the control host goes through the same proxy as the program's requests
// (http_proxy), so it reaches the one stand-in site that the program under test uses.
#include "common/site_control.h"

#include <windows.h>
#include <wininet.h>

namespace {

std::string PercentEscaped(const std::string& text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string escaped;
  for (unsigned char c : text) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
      escaped += static_cast<char>(c);
    } else {
      escaped += '%';
      escaped += kHex[c >> 4];
      escaped += kHex[c & 15];
    }
  }
  return escaped;
}

// The body of the control host's answer to address; "" when none came.
std::string ControlRequest(const std::string& address) {
  HINTERNET session = InternetOpenA("verdimo-tests", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  if (session == nullptr) return std::string();
  std::string body;
  HINTERNET request = InternetOpenUrlA(session, address.c_str(), nullptr, 0,
                                       INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0);
  if (request != nullptr) {
    char chunk[256];
    DWORD count = 0;
    while (InternetReadFile(request, chunk, sizeof(chunk), &count) && count > 0) body.append(chunk, count);
    InternetCloseHandle(request);
  }
  InternetCloseHandle(session);
  return body;
}

}  // namespace

bool SetNoticeMode(const std::string& mode, const std::string& data) {
  std::string address = "http://site-control.test/notice-mode?set=" + mode;
  if (!data.empty()) address += "&data=" + PercentEscaped(data);
  return ControlRequest(address) == mode;
}

bool ReleaseEndlessBodies() { return ControlRequest("http://site-control.test/release") == "released"; }

bool ServeProgramAsSong(const std::string& programPath) {
  if (programPath.size() < 3 || (programPath.compare(0, 2, "Z:") != 0 && programPath.compare(0, 2, "z:") != 0)) {
    return false;
  }
  std::string hostPath = programPath.substr(2);
  for (char& c : hostPath) {
    if (c == '\\') c = '/';
  }
  return ControlRequest("http://site-control.test/program-body?path=" + PercentEscaped(hostPath)) == "program";
}
