// The command line's two commands on the transports its platform gives.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "net/file_transport.h"
#include "downloads/download_naming.h"
#include "net/page_transport.h"

struct CliPlatform {
  PageTransport& pages;
  FileTransport& songs;
  char separator;
  NameBounds bounds;
};

// Runs the command the arguments (UTF-8, the program's name first) ask for and returns the exit
// code.
int RunCli(const std::vector<std::string>& arguments, CliPlatform& platform, std::ostream& out, std::ostream& err);
