#include "notice/text_unscrambler.h"

std::string TextUnscrambler(std::string_view stored) {
  std::string plain;
  plain.reserve(stored.size());
  for (char c : stored) {
    const unsigned char b = static_cast<unsigned char>(c);
    // 0xFE and 0xFF stand for no byte of a text (only plain 0 and 1 would give them): the text
    // ends there.
    if (b >= 0xFE) break;
    plain.push_back(b == 2 ? c : static_cast<char>(b + 2));
  }
  return plain;
}

std::string TextScrambler(std::string_view plain) {
  std::string stored;
  stored.reserve(plain.size());
  for (char c : plain) {
    const unsigned char b = static_cast<unsigned char>(c);
    stored.push_back(b == 2 ? c : static_cast<char>(b - 2));
  }
  return stored;
}
