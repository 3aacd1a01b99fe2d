#include "net/song_address.h"

#include "base/web_address.h"

std::string EncodeSongAddress(std::string_view address) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  encoded.reserve(address.size());
  for (char c : address) {
    const unsigned char b = static_cast<unsigned char>(c);
    if (b == ' ' || b > 127) {
      encoded += '%';
      encoded += kHex[b >> 4];
      encoded += kHex[b & 0xF];
    } else {
      encoded += c;
    }
  }
  return encoded;
}

std::string SongAddressToFetch(std::string_view address) {
  std::string encoded = EncodeSongAddress(address);
  return IsWebAddress(encoded) ? encoded : std::string();
}

bool IsSuccessStatus(std::uint32_t status) { return status >= 200 && status <= 299; }

void TransferPace::Reported(std::uint32_t received, std::uint64_t nowMs) {
  if (received >= lastReported_) {
    total_ += received - lastReported_;
  } else if (lastReported_ >= 0x80000000u) {
    total_ += (std::uint64_t{1} << 32) - lastReported_ + received;  // wrapped past 4 GiB
  }  // else a new request (after a redirect) counts again from 0: nothing new to add
  lastReported_ = received;
  if (total_ - markBytes_ >= limits_.minBytes) {
    markMs_ = nowMs;
    markBytes_ = total_;
  }
}

bool TransferPace::MustEnd(std::uint64_t nowMs) const {
  return total_ > limits_.maxBytes || (nowMs > markMs_ && nowMs - markMs_ >= limits_.windowMs);
}
