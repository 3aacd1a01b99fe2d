#include "base/web_address.h"

namespace {

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

bool IsHostByte(char c) {
  const unsigned char byte = static_cast<unsigned char>(c);
  return byte > 32 && byte != 127 && c != '/' && c != '\\' && c != '?' && c != '#';
}

}  // namespace

bool IsWebAddress(std::string_view text) {
  std::string_view rest;
  if (StartsWithIgnoringCase(text, "http://")) {
    rest = text.substr(7);
  } else if (StartsWithIgnoringCase(text, "https://")) {
    rest = text.substr(8);
  } else {
    return false;
  }
  // No byte of the address may break out of it when the shell hands it on.
  for (char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte < 32 || byte == 127 || c == '"') return false;
  }
  return !rest.empty() && IsHostByte(rest.front());
}
