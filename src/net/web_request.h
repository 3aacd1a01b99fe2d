// A GET of a web address through a WinINet session whose reads give up after a time without
// data. Wine keeps no receive time-out set on a session or on what InternetOpenUrlA returns (a
// read waits as long as the server holds it); set on a request opened on a connection, it holds.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <string>

#include "base/win_handles.h"

struct WebRequest {
  UniqueInternetHandle connection;
  UniqueInternetHandle request;  // closed first: it is the connection's child
};

// Opens an http or https address with flags (INTERNET_FLAG_*) and extra request headers ("" or
// lines each ending in "\r\n"), following redirects as InternetOpenUrlA does. The wait for the
// answer and every read end with a failure after receiveTimeoutMs without data. An empty request
// when it could not be opened; GetLastError says why.
WebRequest OpenWebRequest(HINTERNET session, const std::string& address, const std::string& headers, DWORD flags,
                          DWORD receiveTimeoutMs);
