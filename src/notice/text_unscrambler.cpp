#include "notice/text_unscrambler.h"

std::string TextUnscrambler(std::string_view stored) {
  std::string plain;
  plain.reserve(stored.size());
  for (char c : stored) {
    const unsigned char b = static_cast<unsigned char>(c);
    if (b == 2) {
      plain.push_back(c);
    } else if (b == 0xFE) {
      plain.push_back(static_cast<char>(0xFF));
    } else if (b != 0xFF) {
      plain.push_back(static_cast<char>(b + 2));
    }
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
