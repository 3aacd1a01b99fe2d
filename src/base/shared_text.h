// A text that one thread replaces and others read: every reader sees either the old or the new
// text whole, never a mixture. Portable (std::mutex), used for the globals that workers publish.
#pragma once

#include <mutex>
#include <string>

class SharedText {
 public:
  std::string Get() const {
    std::lock_guard<std::mutex> hold(lock_);
    return value_;
  }
  void Set(std::string text) {
    std::lock_guard<std::mutex> hold(lock_);
    value_.swap(text);
  }

 private:
  mutable std::mutex lock_;
  std::string value_;
};
