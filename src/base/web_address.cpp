#include "base/web_address.h"

#include "base/text_search.h"

namespace {

// prefix is lower-case ASCII.
bool StartsWithInAnyCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && LowerAnsi(text.substr(0, prefix.size())) == prefix;
}

bool IsAddressByte(char c) {
  const unsigned char b = static_cast<unsigned char>(c);
  if (b <= 0x20 || b >= 0x7F) return false;
  return std::string_view("\"<>\\^`{|}").find(c) == std::string_view::npos;
}

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

constexpr std::string_view kHttp = "http://";
constexpr std::string_view kHttps = "https://";

bool HasWebScheme(std::string_view text) {
  return StartsWithInAnyCase(text, kHttp) || StartsWithInAnyCase(text, kHttps);
}

}  // namespace

bool IsWebAddress(std::string_view text) {
  if (!HasWebScheme(text) || text.size() > kLongestWebAddress) return false;
  const std::string_view rest = text.substr(StartsWithInAnyCase(text, kHttp) ? kHttp.size() : kHttps.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!IsAddressByte(text[i])) return false;
    if (text[i] == '%' && !(i + 2 < text.size() && IsHexDigit(text[i + 1]) && IsHexDigit(text[i + 2]))) {
      return false;
    }
  }
  std::string_view host = rest.substr(0, rest.find_first_of("/?#"));
  if (host.find('@') != std::string_view::npos) return false;
  const std::size_t colon = host.rfind(':');
  if (colon != std::string_view::npos && host.find(']', colon) == std::string_view::npos) {
    const std::string_view port = host.substr(colon + 1);
    if (port.empty() || port.find_first_not_of("0123456789") != std::string_view::npos) return false;
    host = host.substr(0, colon);
  }
  return !host.empty();
}

std::string LinkWebAddress(std::string_view text) {
  if (HasWebScheme(text)) return std::string(text);
  return std::string(kHttp) + std::string(text);
}
