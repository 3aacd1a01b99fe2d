// The command line's two commands on the transports its platform gives.
#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "cli/net_options.h"
#include "downloads/download_naming.h"
#include "net/file_transport.h"
#include "net/page_transport.h"

// The platform's transports, made for a run's network options.
class CliNetwork {
 public:
  virtual ~CliNetwork() = default;
  virtual PageTransport& Pages() = 0;
  virtual FileTransport& Songs() = 0;
};

struct CliPlatform {
  // The options outlive what it makes.
  std::function<std::unique_ptr<CliNetwork>(const NetOptions& net)> network;
  char separator;
  NameBounds bounds;
};

// Runs the command the arguments (UTF-8, the program's name first) ask for and returns the exit
// code.
int RunCli(const std::vector<std::string>& arguments, CliPlatform& platform, std::ostream& out, std::ostream& err);
