// The end-to-end tests' entry: GoogleTest takes its own flags, the rest names the program under
// test and where screenshots go (Unix paths as CTest passes them are turned into Wine's Z:\ form).
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "e2e/program_driver.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  std::string problem;
  if (!ParseE2eArguments(argc, argv, &problem)) {
    std::fprintf(stderr, "e2e_tests: %s\nusage: e2e_tests --verdimo=PATH [--output=DIR] [--site=DIR]\n",
                 problem.c_str());
    return 2;
  }
  return RUN_ALL_TESTS();
}
