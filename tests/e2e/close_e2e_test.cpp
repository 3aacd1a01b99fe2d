// Closing the window while work runs: a long read, a read the site holds back, a save dialog
// that is open, and transfers handed over a moment before. Each time the process ends with exit
// code 0, and every transfer that was handed over is saved whole first.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/program_driver.h"
#include "e2e/program_test.h"
#include "common/test_files.h"

namespace {

class CloseTest;

struct CloseCase {
  const char* what;
  void (*before)(CloseTest*);  // brings the program to the moment of the close
  void (*after)(CloseTest*);   // checks what is left once it has ended; may be null
};

class CloseTest : public ProgramTest, public ::testing::WithParamInterface<CloseCase> {
 public:
  using ProgramTest::ReadProfile;
  using ProgramTest::run_;
  using ProgramTest::target_;

  bool SpinnerShowing() { return Visible(Control(run_, kLoadingSpinnerId)); }

  void StartRead(const std::string& name) {
    std::string problem;
    ASSERT_TRUE(EnterAddress(run_, name, &problem)) << problem;
  }

  void CloseAndExpectExitCodeZero(DWORD timeoutMs) {
    RequestClose(run_);
    DWORD exitCode = 1;
    ASSERT_TRUE(WaitForExit(run_, timeoutMs, &exitCode)) << "the program did not end";
    EXPECT_EQ(0u, exitCode);
  }
};

const CloseCase kCloseCases[] = {
      {"during a read that lists 1,500 songs",
       [](CloseTest* t) {
         const long long offset = RequestLogSize();
         t->StartRead("manyband");
         ASSERT_TRUE(PollUntil(
             [&] {
               return RequestLogged(offset, "GET",
                                    "http://media.verdimo.test:80/services/media/musicplayerxml.ashx?b=rows-1500",
                                    200);
             },
             20000))
             << "the playlist was never fetched";
       },
       nullptr},
      {"during a read the site holds back for 10 seconds",
       [](CloseTest* t) {
         t->StartRead("heldband");
         ASSERT_TRUE(PollUntil([&] { return t->SpinnerShowing(); }, 10000));
       },
       nullptr},
      {"with the save dialog of a double-clicked row open",
       [](CloseTest* t) {
         ASSERT_NO_FATAL_FAILURE(t->ReadProfile("someband", 5));
         RECT cell = {};
         ASSERT_TRUE(NameCellOnScreen(t->run_, 0, &cell));
         DoubleClickAt(POINT{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2});
         ASSERT_NE(nullptr, WaitForSaveDialog(t->run_, 15000));
       },
       [](CloseTest* t) { EXPECT_TRUE(FolderEntries(t->target_.path + "\\").empty()); }},
      {"right after Save Songs handed every row over",
       [](CloseTest* t) {
         ASSERT_NO_FATAL_FAILURE(t->ReadProfile("someband", 5));
         HWND save = Control(t->run_, kSaveButtonId);
         ASSERT_TRUE(PollUntil([&] { return Enabled(save); }, 10000));
         HWND chooser = ClickForFolderChooser(t->run_, save);
         ASSERT_NE(nullptr, chooser);
         ASSERT_TRUE(AnswerFolderChooser(t->run_, chooser, t->target_.path));
       },
       [](CloseTest* t) {
         // Every song whole, and no piece of one left behind.
         long long total = 0;
         const std::vector<std::string> names = FolderEntries(t->target_.path + "\\");
         for (const std::string& name : names) {
           EXPECT_EQ(std::string::npos, name.find(".part")) << name;
           total += FileSize(t->target_.File(name));
         }
         EXPECT_EQ(5u, names.size());
         long long expected = 0;
         for (int n = 1; n <= 5; ++n) expected += static_cast<long long>(FixtureSong("tone" + std::to_string(n) + ".mp3").size());
         EXPECT_EQ(expected, total);
       }},
  };
TEST_P(CloseTest, EndsWithExitCodeZero) {
  const CloseCase& c = GetParam();
  SCOPED_TRACE(c.what);
  ASSERT_NO_FATAL_FAILURE(c.before(this));
  ASSERT_NO_FATAL_FAILURE(CloseAndExpectExitCodeZero(60000));
  if (c.after != nullptr) c.after(this);
}

INSTANTIATE_TEST_SUITE_P(WhileWorkRuns, CloseTest, ::testing::ValuesIn(kCloseCases));

}  // namespace
