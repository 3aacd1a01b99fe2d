#include "cli/net_options.h"

#include <cstdlib>

namespace {

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string(value) : std::string();
}

}  // namespace

std::string ProxyFor(const std::string& url, const NetOptions& options) {
  if (options.noProxy) return std::string();
  if (!options.proxy.empty()) return options.proxy;
  const bool secure = url.compare(0, 8, "https://") == 0 || url.compare(0, 8, "HTTPS://") == 0;
  std::string proxy = secure ? Variable("HTTPS_PROXY") : Variable("http_proxy");
  if (proxy.empty() && secure) proxy = Variable("https_proxy");
  if (proxy.empty()) proxy = Variable("ALL_PROXY");
  if (proxy.empty()) proxy = Variable("all_proxy");
  return proxy;
}

std::string UnreadProxyWarning() {
  if (Variable("HTTP_PROXY").empty() || !Variable("http_proxy").empty()) return std::string();
  return "HTTP_PROXY is not read, as curl does not read it (a web server's CGI sets it from a "
         "request); use http_proxy or --proxy.";
}
