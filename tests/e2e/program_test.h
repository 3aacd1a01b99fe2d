// The fixture every end-to-end test starts from: a fresh verdimo.exe with its window up, ended
// again when the test ends, also when the test fails.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "e2e/program_driver.h"

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The pointer starts away from where the window will be, so nothing is hovered by chance.
    ParkPointer();
    std::string problem;
    ASSERT_TRUE(StartProgram(&run_, &problem)) << problem;
  }

  // Types a profile name, presses Return and waits until the read has ended and the list holds
  // the expected number of rows. *logOffset, when given, gets the request log's size from
  // before the read.
  void ReadProfile(const std::string& name, int expectedRows, long long* logOffset = nullptr) {
    const long long offset = RequestLogSize();
    if (logOffset != nullptr) *logOffset = offset;
    std::string problem;
    ASSERT_TRUE(EnterAddress(run_, name, &problem)) << problem;
    ASSERT_TRUE(WaitForReadEnd(run_, "http://www.verdimo.test:80/" + name, offset, 30000))
        << "the read of \"" << name << "\" did not end";
    ASSERT_TRUE(PollUntil([&] { return SongRowCount(run_) == expectedRows; }, 10000))
        << "rows: " << SongRowCount(run_) << ", expected " << expectedRows;
  }

  // Where the test lets the program save; declared before the program so that the program has
  // ended before the folder is cleared away.
  TempFolder target_{"target"};
  ProgramRun run_;
};
