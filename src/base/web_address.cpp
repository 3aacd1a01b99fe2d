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

}  // namespace

bool IsWebAddress(std::string_view text) {
  std::string_view rest;
  if (StartsWithInAnyCase(text, "http://")) {
    rest = text.substr(7);
  } else if (StartsWithInAnyCase(text, "https://")) {
    rest = text.substr(8);
  } else {
    return false;
  }
  for (char c : text) {
    if (!IsAddressByte(c)) return false;
  }
  std::string_view host = rest.substr(0, rest.find_first_of("/?#"));
  const std::size_t at = host.rfind('@');
  if (at != std::string_view::npos) host.remove_prefix(at + 1);
  const std::size_t colon = host.rfind(':');
  if (colon != std::string_view::npos && host.find(']', colon) == std::string_view::npos) {
    const std::string_view port = host.substr(colon + 1);
    if (port.find_first_not_of("0123456789") != std::string_view::npos) return false;
    host = host.substr(0, colon);
  }
  return !host.empty();
}
