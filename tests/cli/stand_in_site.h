// The stand-in site on a free port for the command line's tests, in a folder of its own that also
// holds what the test writes; the proxy variable points at it while it runs.
#pragma once

#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

inline std::string Slurp(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return file ? std::string(std::istreambuf_iterator<char>(file), {}) : "none";
}

class StandInSite {
 public:
  explicit StandInSite(const std::string& name)
      : dir_(std::filesystem::temp_directory_path() / (name + "-" + std::to_string(getpid()))) {
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    const std::string d = dir_.string();
    if (std::system(("python3 " VERDIMO_SOURCE_DIR "/site/server.py --port 0 --port-file " + d + "/port --request-log " +
                     d + "/requests & echo $! >" + d + "/pid").c_str()) != 0) {
      return;
    }
    for (int i = 0; i < 500 && !std::filesystem::exists(dir_ / "port"); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    proxy_ = "http://127.0.0.1:" + std::to_string(std::atoi(Slurp(dir_ / "port").c_str()));
    setenv("http_proxy", proxy_.c_str(), 1);
  }
  ~StandInSite() {
    kill(std::atoi(Slurp(dir_ / "pid").c_str()), SIGTERM);
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  const std::filesystem::path& dir() const { return dir_; }
  const std::string& proxy() const { return proxy_; }

 private:
  std::filesystem::path dir_;
  std::string proxy_;
};
