#include "net/web_request.h"

#include <windows.h>
#include <wininet.h>

#include <vector>

namespace {

bool SetReceiveTimeout(HINTERNET request, DWORD ms) {
  return InternetSetOptionA(request, INTERNET_OPTION_RECEIVE_TIMEOUT, &ms, sizeof(ms)) != FALSE;
}

}  // namespace

WebRequest OpenWebRequest(HINTERNET session, const std::string& address, const std::string& headers, DWORD flags,
                          DWORD receiveTimeoutMs) {
  WebRequest web;
  // Room for every part of the address: none can be longer than the whole.
  std::vector<char> host(address.size() + 1), path(address.size() + 1), query(address.size() + 1);
  URL_COMPONENTSA parts = {};
  parts.dwStructSize = sizeof(parts);
  parts.lpszHostName = host.data();
  parts.dwHostNameLength = static_cast<DWORD>(host.size());
  parts.lpszUrlPath = path.data();
  parts.dwUrlPathLength = static_cast<DWORD>(path.size());
  parts.lpszExtraInfo = query.data();
  parts.dwExtraInfoLength = static_cast<DWORD>(query.size());
  if (session == nullptr || !InternetCrackUrlA(address.c_str(), static_cast<DWORD>(address.size()), 0, &parts)) return web;
  if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) {
    SetLastError(ERROR_INTERNET_UNRECOGNIZED_SCHEME);
    return web;
  }
  std::string target = std::string(path.data()) + query.data();
  target = target.substr(0, target.find('#'));  // a fragment is the client's, never sent
  if (target.empty()) target = "/";
  web.connection.reset(InternetConnectA(session, host.data(), parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
  if (!web.connection) return web;
  const DWORD secure = parts.nScheme == INTERNET_SCHEME_HTTPS ? INTERNET_FLAG_SECURE : 0;
  web.request.reset(HttpOpenRequestA(web.connection.get(), "GET", target.c_str(), nullptr, nullptr, nullptr, flags | secure, 0));
  // Set before the request goes out, the bound covers the wait for the answer and every read.
  if (!web.request || !SetReceiveTimeout(web.request.get(), receiveTimeoutMs) ||
      !HttpSendRequestA(web.request.get(), headers.empty() ? nullptr : headers.c_str(), static_cast<DWORD>(headers.size()),
                        nullptr, 0)) {
    const DWORD error = GetLastError();
    web.request.reset();
    web.connection.reset();
    SetLastError(error);
  }
  return web;
}
