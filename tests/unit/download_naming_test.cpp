#include "downloads/download_naming.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

// The parts of a folder target's name that the file system would act on.
void ExpectNameStaysInFolder(const std::string& name) {
  EXPECT_FALSE(name.empty());
  EXPECT_EQ(name.find_first_of("\\/:*?\"<>|"), std::string::npos) << name;
  for (char c : name) {
    const unsigned char b = static_cast<unsigned char>(c);
    EXPECT_TRUE(b >= 32 && b != 127) << "byte " << int(b) << " in " << name;
  }
  EXPECT_NE(name.back(), '.') << name;
  EXPECT_NE(name.back(), ' ') << name;
  EXPECT_NE(name, ".");
  EXPECT_NE(name, "..");
}

std::size_t FullPathLength(std::size_t folderLength, const std::string& name) {
  return folderLength + name.size() + kNameSuffixRoom + 1;
}

}  // namespace

TEST(SaveDialogProposal, ProposesOnlyTheLastNameAndRefusesForbiddenNames) {
  struct Case {
    std::string name;
    std::string fileName;
  } cases[] = {
      {"Song", "Song.mp3"},
      {"", ".mp3"},
      {"C:\\windows\\system32\\x", "x.mp3"},
      {"\\\\host\\share\\x", "x.mp3"},
      {"a\\b\\", ".mp3"},
      {"a/b", "b.mp3"},
      {"//host/share/x", "x.mp3"},
      {"a\\b/c", "c.mp3"},
      {"My: Song", ""},
      {"x\\y?", ""},
      {"say \"hi\"", ""},
      {"a*b", ""},
      {"<a>", ""},
      {"a|b", ""},
      {std::string("tab\there"), ""},
      {"Caf\xE9 \x7F", "Caf\xE9 \x7F.mp3"},  // high bytes and DEL pass, as the dialog takes them
  };
  for (const Case& c : cases) EXPECT_EQ(SaveDialogProposal(c.name), c.fileName) << c.name;
}

TEST(HasForbiddenNameCharacter, EveryForbiddenByteAndNoOther) {
  const std::string forbidden = "\"\\/:*?<>|";
  for (int b = 0; b < 256; ++b) {
    const std::string text = std::string("ab") + static_cast<char>(b) + "cd";
    const bool expected = b < 32 || forbidden.find(static_cast<char>(b)) != std::string::npos;
    EXPECT_EQ(HasForbiddenNameCharacter(text), expected) << "byte " << b;
  }
  EXPECT_FALSE(HasForbiddenNameCharacter(""));
  EXPECT_TRUE(HasForbiddenNameCharacter(std::string(1, '\0')));
}

TEST(WithMp3Extension, LooksOnlyAtTheLastNamesExtension) {
  struct Case {
    const char* path;
    const char* expected;
  } cases[] = {
      {"x", "x.mp3"},
      {"x.mp3", "x.mp3"},
      {"x.MP3", "x.MP3"},
      {"x.Mp3", "x.Mp3"},
      {"x.txt", "x.txt.mp3"},
      {"x.mp3.txt", "x.mp3.txt.mp3"},
      {"x.txt.mp3", "x.txt.mp3"},
      {"x.", "x..mp3"},
      {"x.mp", "x.mp.mp3"},
      {"x.mp33", "x.mp33.mp3"},
      {"a.b\\c", "a.b\\c.mp3"},
      {"a.mp3\\c", "a.mp3\\c.mp3"},
      {"a.b/c", "a.b/c.mp3"},
      {"C:\\Music\\Song.mp3", "C:\\Music\\Song.mp3"},
      {"C:\\Music.mp3\\", "C:\\Music.mp3\\.mp3"},
      {".mp3", ".mp3"},
      {"", ".mp3"},
  };
  for (const Case& c : cases) EXPECT_EQ(WithMp3Extension(c.path), c.expected) << c.path;
}

TEST(SafeFileName, TitlesFromTheNetworkStayInTheFolder) {
  struct Case {
    std::string title;
    std::string expected;
  } cases[] = {
      {"Song", "Song"},
      {"a:b?c", "a_b_c"},
      {"..\\..\\evil", ".._.._evil"},
      {"../../evil", ".._.._evil"},
      {"..", "_"},
      {".", "_"},
      {"...", "_"},
      {"name. . .", "name"},
      {"", "_"},
      {"   ", "_"},
      {"\"<>|*", "_____"},
      {std::string("a\x01" "b\x7F" "c\x1F", 6), "a_b_c_"},
      {"C:\\Windows\\x", "C__Windows_x"},
      {"\xC4pfel \xE9t\xE9", "\xC4pfel \xE9t\xE9"},
      {" leading blank", " leading blank"},
      {"Song.mp3", "Song.mp3"},
  };
  for (const Case& c : cases) {
    const std::string safe = SafeFileName(c.title, 10);
    EXPECT_EQ(safe, c.expected) << c.title;
    ExpectNameStaysInFolder(safe);
  }
}

TEST(SafeFileName, DeviceNamesGetAPrefixInAnyCaseAndWithExtensions) {
  struct Case {
    const char* title;
    const char* expected;
  } cases[] = {
      {"CON", "_CON"},
      {"con", "_con"},
      {"aux.mp3", "_aux.mp3"},
      {"Con.txt.mp3", "_Con.txt.mp3"},
      {"PRN", "_PRN"},
      {"nUl", "_nUl"},
      {"COM1", "_COM1"},
      {"com9.mp3", "_com9.mp3"},
      {"LPT1", "_LPT1"},
      {"lpt9", "_lpt9"},
      {"COM0", "_COM0"},
      {"CON .mp3", "_CON .mp3"},
      {"CON.", "_CON"},
      {"aux ", "_aux"},
      {"COM\xB9", "_COM\xB9"},
      {"CONIN$", "_CONIN$"},
      // Only the whole stem counts.
      {"CONSOLE", "CONSOLE"},
      {"COM10", "COM10"},
      {"LPT", "LPT"},
      {"COMA", "COMA"},
      {"xCON", "xCON"},
      {"Song CON", "Song CON"},
      {"NULL.mp3", "NULL.mp3"},
  };
  for (const Case& c : cases) EXPECT_EQ(SafeFileName(c.title, 10), c.expected) << c.title;
}

TEST(SafeFileName, LongTitlesAreCutToFitTheLongestPath) {
  const std::string title(300, 'a');
  for (std::size_t folder : {std::size_t{0}, std::size_t{3}, std::size_t{100}, std::size_t{240}}) {
    const std::string safe = SafeFileName(title, folder);
    EXPECT_EQ(FullPathLength(folder, safe), kMaxPathLength) << folder;
    EXPECT_EQ(safe, title.substr(0, safe.size()));
  }
  // The longest alternative with the temporary file's suffix is what must fit.
  const std::string longest =
      std::string(50, 'f') + SafeFileName(title, 50) + " (" + std::to_string(kLastNameCounter) + ").mp3.part";
  EXPECT_EQ(longest.size() + 1, kMaxPathLength);
}

TEST(SafeFileName, ACutRemovesTrailingDotsAndBlanksAgain) {
  const std::size_t room = kMaxPathLength - 1 - kNameSuffixRoom - 20;
  const std::string title = std::string(room - 3, 'b') + " . .xyz";
  const std::string safe = SafeFileName(title, 20);
  EXPECT_EQ(safe, std::string(room - 3, 'b'));
}

TEST(SafeFileName, ACutThatLeavesADeviceNameIsPrefixedAndStillFits) {
  // Four bytes of room: "CONSOLE" cut to "CONS" is no device; three make "CON", which is.
  const std::size_t fourBytes = kMaxPathLength - 1 - kNameSuffixRoom - 4;
  EXPECT_EQ(SafeFileName("CONSOLE", fourBytes), "CONS");
  const std::size_t threeBytes = fourBytes + 1;
  const std::string safe = SafeFileName("CONSOLE", threeBytes);
  EXPECT_EQ(safe, "_CO");
  EXPECT_EQ(FullPathLength(threeBytes, safe), kMaxPathLength);
  // Room 4 for "NUL.a": the cut "NUL." loses its dot, and the prefix still fits.
  EXPECT_EQ(SafeFileName("NUL.a", fourBytes), "_NUL");
}

TEST(SafeFileName, AFolderWithoutRoomGivesTheShortestName) {
  const std::size_t lastWithRoom = kMaxPathLength - 1 - kNameSuffixRoom - 1;
  EXPECT_EQ(SafeFileName("Song", lastWithRoom), "S");
  EXPECT_EQ(SafeFileName("..", lastWithRoom), "_");
  EXPECT_EQ(SafeFileName("Song", lastWithRoom + 1), "_");
  EXPECT_EQ(SafeFileName("Song", 100000), "_");
}

TEST(UniqueTargetPath, CountsUpFromTwoWhileTheTestedFileIsTaken) {
  const std::set<std::string> taken = {"C:\\M\\Song.mp3", "C:\\M\\Song (2).mp3"};
  std::vector<std::string> asked;
  const std::string path = UniqueTargetPath("C:\\M\\Song", [&](const std::string& p) {
    asked.push_back(p);
    return taken.count(p) > 0;
  });
  EXPECT_EQ(path, "C:\\M\\Song (3).mp3");
  EXPECT_EQ(asked, (std::vector<std::string>{"C:\\M\\Song.mp3", "C:\\M\\Song (2).mp3",
                                             "C:\\M\\Song (3).mp3"}));
}

TEST(UniqueTargetPath, AFreeBaseIsUsedAsItIs) {
  EXPECT_EQ(UniqueTargetPath("D\\Song", [](const std::string&) { return false; }), "D\\Song.mp3");
  EXPECT_EQ(UniqueTargetPath("D\\Song.txt", [](const std::string&) { return false; }),
            "D\\Song.txt.mp3");
}

TEST(UniqueTargetPath, ABaseWithTheExtensionIsTestedAsItWillBeWritten) {
  std::vector<std::string> asked;
  const std::set<std::string> taken = {"D\\Song.MP3"};
  const std::string path = UniqueTargetPath("D\\Song.MP3", [&](const std::string& p) {
    asked.push_back(p);
    return taken.count(p) > 0;
  });
  EXPECT_EQ(path, "D\\Song (2).MP3");
  EXPECT_EQ(asked, (std::vector<std::string>{"D\\Song.MP3", "D\\Song (2).MP3"}));
  // Whatever the caller does to the extension afterwards leaves the tested name.
  EXPECT_EQ(WithMp3Extension(path), path);
}

TEST(UniqueTargetPath, TheResultKeepsItsExtensionThroughWithMp3Extension) {
  for (const char* base : {"a", "a.mp3", "a.Mp3", "a.txt", "dir.x\\a", "a."}) {
    const std::string path = UniqueTargetPath(base, [](const std::string&) { return false; });
    EXPECT_EQ(path, WithMp3Extension(base)) << base;
    EXPECT_EQ(WithMp3Extension(path), path) << base;
  }
}

TEST(UniqueTargetPath, GivesUpAfterTheLastCounter) {
  int asked = 0;
  std::string last;
  const std::string path = UniqueTargetPath("S", [&](const std::string& p) {
    ++asked;
    last = p;
    return true;
  });
  EXPECT_EQ(path, "");
  EXPECT_EQ(asked, kLastNameCounter);
  EXPECT_EQ(last, "S (" + std::to_string(kLastNameCounter) + ").mp3");

  const std::string lastFree = "S (" + std::to_string(kLastNameCounter) + ").mp3";
  EXPECT_EQ(UniqueTargetPath("S", [&](const std::string& p) { return p != lastFree; }), lastFree);
}

TEST(SafeFileNameUtf8, KeepsCharactersAndCutsOnlyBetweenThem) {
  const auto Repeated = [](const std::string& text, int times) {
    std::string all;
    while (times-- > 0) all += text;
    return all;
  };
  struct Case {
    std::string name;
    std::size_t folder;
    std::string expected;
    NameBounds bounds = kNativeNameBounds;
  } cases[] = {
      {"\xD0\x96\xF0\x9F\x8E\xB5\xD0\x96", 260 - 17 - 1 - 3, "\xD0\x96\xF0\x9F\x8E\xB5", kWideNameBounds},
      {"\xD0\x96\xF0\x9F\x8E\xB5\xD0\x96", 260 - 17 - 1 - 2, "\xD0\x96", kWideNameBounds},
      {Repeated("\xD0\x96", 250), 5, Repeated("\xD0\x96", 238), {4096, 255, true}},
      {"Caf\xC3\xA9: \xE2\x82\xAC/x", 5, "Caf\xC3\xA9_ \xE2\x82\xAC_x"},
      {"a\xFF\xC3" "b\xED\xA0\x80", 5, "a\xEF\xBF\xBD\xEF\xBF\xBD" "b\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"\xC2\x85x\xE2\x80\xAEgpj.mp3\x7F", 5, "_x_gpj.mp3_"},
      {"COM\xC2\xB9.txt", 5, "_COM\xC2\xB9.txt"},
      {"con . ", 5, "_con"},
      {std::string(237, 'a') + "\xC3\xA9", 5, std::string(237, 'a')},
      {"\xC3\xA9\xC3\xA9", 4096 - 17 - 1 - 3, "\xC3\xA9"},
      {"x", 4096, "_"},
      {" . ", 5, "_"},
  };
  for (const Case& c : cases) EXPECT_EQ(SafeFileNameUtf8(c.name, c.folder, c.bounds), c.expected) << c.name;
}
