// How the command line's transports reach the network, from its options: the pace window, the
// proxy, the shared rate limit and the verbose lines. The same for libcurl and WinINet.
#pragma once

#include <functional>
#include <string>

#include "cli/rate_limit.h"
#include "net/song_address.h"

struct NetOptions {
  NetOptions(const TransferLimits& paceLimits = TransferLimits()) : limits(paceLimits) {}  // NOLINT: tests pass limits

  TransferLimits limits;
  std::string proxy;     // --proxy; "" for the environment's (natively) or the system's (Windows)
  bool noProxy = false;  // --no-proxy: no proxy at all
  RateLimit* rate = nullptr;  // --limit-rate, shared by every transfer of the run; null for none
  // -v: one line per request and per answer; empty for none. Called from the transfers' threads.
  std::function<void(const std::string& line)> verbose;
};

// The proxy a request to url goes through, as the transports use it: --proxy, else (natively)
// http_proxy for http, HTTPS_PROXY or https_proxy for https, else ALL_PROXY or all_proxy; "" for
// none. Upper-case HTTP_PROXY is not read (see UnreadProxyWarning).
std::string ProxyFor(const std::string& url, const NetOptions& options);

// The words for HTTP_PROXY set while http_proxy is not: it is not read, as curl does not read it,
// because a web server's CGI sets it from a request's "Proxy:" header; "" when there is nothing to say.
std::string UnreadProxyWarning();
