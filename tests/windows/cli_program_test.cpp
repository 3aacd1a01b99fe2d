// verdimo-cli.exe as a console user runs it under Wine: wide arguments, UTF-8 output, the wide
// file functions, against the stand-in site.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "base/win_handles.h"
#include "common/test_files.h"

namespace fs = std::filesystem;

namespace {

struct ProgramRun {
  DWORD code = 999;
  std::string out;
};

// Runs verdimo-cli.exe with the arguments, its standard output in a file.
ProgramRun RunCli(const std::wstring& arguments) {
  const std::string outPath = FreshTempFolder("cli-out") + "out.txt";
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  UniqueKernelHandle out(CreateFileA(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
  const std::string exe = ProgramNextToThisOne("verdimo-cli.exe");
  std::wstring line = L"\"" + std::wstring(exe.begin(), exe.end()) + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = out.get();
  startup.hStdError = out.get();
  PROCESS_INFORMATION process{};
  ProgramRun run;
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                      &process)) {
    return run;
  }
  const UniqueKernelHandle thread(process.hThread), child(process.hProcess);
  WaitForSingleObject(child.get(), 120000);
  GetExitCodeProcess(child.get(), &run.code);
  out.reset();
  run.out = ReadWholeFile(outPath);
  return run;
}

}  // namespace

TEST(CliProgram, ListsAndSavesIntoAFolderWithAWideName) {
  ProgramRun run = RunCli(L"list worldband");
  EXPECT_EQ(run.code, DWORD{0});
  EXPECT_EQ(run.out.substr(0, run.out.find('\n') + 1),
            "\xD0\x9D\xD0\xBE\xD1\x87\xD1\x8C \xE6\x9D\xB1\xE4\xBA\xAC\thttp://audio.verdimo.test/songs/tone1.mp3\r\n");

  const fs::path folder = fs::path(FreshTempFolder("cli-save")) / L"\x041F\x0430\x043F\x043A\x0430";
  run = RunCli(L"save --quiet someband \"" + folder.wstring() + L"\"");
  EXPECT_EQ(std::make_pair(run.code, run.out), std::make_pair(DWORD{0}, std::string()));
  std::ifstream saved(folder / L"Caf\x00E9 du Nord.mp3", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(saved), {}), FixtureSong("tone4.mp3"));
  EXPECT_TRUE(fs::exists(folder / L".verdimo-index.json"));
  run = RunCli(L"save someband \"" + folder.wstring() + L"\"");
  EXPECT_EQ(run.code, DWORD{0});
  EXPECT_EQ(run.out.find("Ready!"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("Skipped\tCaf\xC3\xA9 du Nord\t"), std::string::npos) << run.out;
}

// The same options as natively: a busy song tried again, and the files laid out by a template.
TEST(CliProgram, RetriesAndLaysOutItsFiles) {
  const fs::path folder = fs::path(FreshTempFolder("cli-layout")) / L"Music";
  const ProgramRun run = RunCli(L"save -q --retries 2 -d \"" + folder.wstring() +
                                L"\" \"someband?&friendID=1017\" -o \"{artist}/{index} {title}\"");
  EXPECT_EQ(run.code, DWORD{1}) << run.out;  // the missing song fails, whatever the retries
  for (const wchar_t* file : {L"Some Band\\1 Busy Once.mp3", L"Some Band\\2 Cut Once.mp3"}) {
    EXPECT_EQ(fs::file_size(folder / file), 100000u) << run.out;
  }
}

// --tag in the Windows build: TagLib on the command line's own wide-path handle.
TEST(CliProgram, TagsWhatItSaves) {
  const fs::path folder = fs::path(FreshTempFolder("cli-tag")) / L"\x041F\x0430\x043F\x043A\x0430";
  const ProgramRun run = RunCli(L"save --tag \"someband?&friendID=1018\" \"" + folder.wstring() + L"\"");
  EXPECT_EQ(run.code, DWORD{0}) << run.out;
  EXPECT_NE(run.out.find("not tagged: no MP3 frames"), std::string::npos) << run.out;
  std::ifstream tagged(folder / L"\x041D\x043E\x0447\x044C \x6771\x4EAC.mp3", std::ios::binary);
  std::string head(3, '\0');
  tagged.read(head.data(), 3);
  EXPECT_EQ(head, "ID3");
}
