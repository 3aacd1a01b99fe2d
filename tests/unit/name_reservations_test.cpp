#include "downloads/name_reservations.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

bool NothingOnDisk(const std::string&) { return false; }

}  // namespace

// Every test uses its own folder name: the table is one for the whole process.

TEST(NameReservations, AReservedNameIsSkippedUntilReleased) {
  const std::string first = ReserveUniqueTargetPath("R1\\Song", NothingOnDisk);
  const std::string second = ReserveUniqueTargetPath("R1\\Song", NothingOnDisk);
  EXPECT_EQ(first, "R1\\Song.mp3");
  EXPECT_EQ(second, "R1\\Song (2).mp3");
  EXPECT_TRUE(IsTargetPathReserved(first));

  ReleaseTargetPath(first);
  EXPECT_FALSE(IsTargetPathReserved(first));
  EXPECT_EQ(ReserveUniqueTargetPath("R1\\Song", NothingOnDisk), "R1\\Song.mp3");
  EXPECT_EQ(ReserveUniqueTargetPath("R1\\Song", NothingOnDisk), "R1\\Song (3).mp3");
  for (const char* p : {"R1\\Song.mp3", "R1\\Song (2).mp3", "R1\\Song (3).mp3"}) {
    ReleaseTargetPath(p);
    EXPECT_FALSE(IsTargetPathReserved(p)) << p;
  }
}

TEST(NameReservations, FilesOnDiskAndTheirPartialFilesCountAsTaken) {
  const std::set<std::string> disk = {"R2\\Song.mp3", "R2\\Song (2).mp3.part"};
  std::vector<std::string> asked;
  const std::string path = ReserveUniqueTargetPath("R2\\Song", [&](const std::string& p) {
    asked.push_back(p);
    return disk.count(p) > 0;
  });
  EXPECT_EQ(path, "R2\\Song (3).mp3");
  EXPECT_EQ(asked, (std::vector<std::string>{"R2\\Song.mp3", "R2\\Song (2).mp3",
                                             "R2\\Song (2).mp3.part", "R2\\Song (3).mp3",
                                             "R2\\Song (3).mp3.part"}));
  ReleaseTargetPath(path);
}

TEST(NameReservations, NamesCompareAsTheFileSystemComparesThem) {
  ASSERT_TRUE(ReserveTargetPath("R3\\Caf\xE9 \x9A.MP3"));
  EXPECT_TRUE(IsTargetPathReserved("r3\\CAF\xC9 \x8A.mp3"));
  EXPECT_TRUE(IsTargetPathReserved("R3/caf\xE9 \x9A.mp3"));
  EXPECT_FALSE(IsTargetPathReserved("R3\\Cafe \x9A.mp3"));
  // The case-folded spelling is seen by the search too.
  EXPECT_EQ(ReserveUniqueTargetPath("r3\\caf\xC9 \x8A", NothingOnDisk), "r3\\caf\xC9 \x8A (2).mp3");
  ReleaseTargetPath("r3\\caf\xC9 \x8A (2).mp3");
  ReleaseTargetPath("r3\\CAF\xC9 \x8A.mp3");
  EXPECT_FALSE(IsTargetPathReserved("R3\\Caf\xE9 \x9A.MP3"));
}

TEST(NameReservations, AUserChosenNameIsCountedPerReservation) {
  EXPECT_TRUE(ReserveTargetPath("R4\\Song.mp3"));
  EXPECT_FALSE(ReserveTargetPath("R4\\Song.mp3"));
  // A folder job does not pick it meanwhile.
  const std::string folderJob = ReserveUniqueTargetPath("R4\\Song", NothingOnDisk);
  EXPECT_EQ(folderJob, "R4\\Song (2).mp3");
  ReleaseTargetPath("R4\\Song.mp3");
  EXPECT_TRUE(IsTargetPathReserved("R4\\Song.mp3"));
  ReleaseTargetPath("R4\\Song.mp3");
  EXPECT_FALSE(IsTargetPathReserved("R4\\Song.mp3"));
  ReleaseTargetPath("R4\\Song.mp3");  // one release too many is harmless
  EXPECT_FALSE(IsTargetPathReserved("R4\\Song.mp3"));
  ReleaseTargetPath(folderJob);
}

TEST(NameReservations, NoFreeNameReservesNothing) {
  const std::string path = ReserveUniqueTargetPath("R5\\Song", [](const std::string&) { return true; });
  EXPECT_EQ(path, "");
  EXPECT_FALSE(IsTargetPathReserved(""));
}

TEST(NameReservations, ParallelJobsNeverShareAName) {
  constexpr int kThreads = 16;
  constexpr int kPerThread = 25;
  std::vector<std::vector<std::string>> found(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &found] {
      for (int i = 0; i < kPerThread; ++i) {
        // Every second job writes into the other spelling of the same folder.
        const char* base = (i % 2 == 0) ? "R6\\Song" : "r6/SONG";
        found[t].push_back(ReserveUniqueTargetPath(base, NothingOnDisk));
      }
    });
  }
  for (std::thread& thread : threads) thread.join();

  std::set<std::string> distinct;
  std::set<int> counters;
  for (const auto& names : found) {
    for (const std::string& name : names) {
      ASSERT_FALSE(name.empty());
      std::string folded;
      for (char c : name) folded.push_back(c == '/' ? '\\' : static_cast<char>(std::toupper(c)));
      EXPECT_TRUE(distinct.insert(folded).second) << name;
    }
  }
  EXPECT_EQ(distinct.size(), std::size_t{kThreads * kPerThread});
  // The names are the first ones free: Song.mp3 and Song (2) .. Song (400).
  EXPECT_TRUE(distinct.count("R6\\SONG.MP3"));
  EXPECT_TRUE(distinct.count("R6\\SONG (" + std::to_string(kThreads * kPerThread) + ").MP3"));

  for (const auto& names : found) {
    for (const std::string& name : names) ReleaseTargetPath(name);
  }
  EXPECT_FALSE(IsTargetPathReserved("R6\\Song.mp3"));
  EXPECT_FALSE(IsTargetPathReserved("R6\\Song (200).mp3"));
}

TEST(NameReservations, ReleasesRacingWithReservationsKeepTheTableConsistent) {
  constexpr int kThreads = 8;
  constexpr int kRounds = 200;
  std::vector<std::thread> threads;
  std::vector<int> clashes(kThreads, 0);
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &clashes] {
      for (int i = 0; i < kRounds; ++i) {
        const std::string path = ReserveUniqueTargetPath("R7\\Song", NothingOnDisk);
        // While held, nobody else may hold it: a second reservation must report it taken.
        if (ReserveTargetPath(path)) ++clashes[t];
        ReleaseTargetPath(path);
        ReleaseTargetPath(path);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(clashes[t], 0);
  for (int n = 1; n <= kThreads + 1; ++n) {
    const std::string name = n == 1 ? "R7\\Song.mp3" : "R7\\Song (" + std::to_string(n) + ").mp3";
    EXPECT_FALSE(IsTargetPathReserved(name)) << name;
  }
}

// UTF-8 names are one name whatever the letter case in the scripts names are written in.
TEST(NameReservations, Utf8NamesFoldTheirLetterCase) {
  const struct { std::string a, b; bool same; } rows[] = {
      {"\xC3\x89mile", "\xC3\xA9MILE", true},                                // Émile, éMILE
      {"\xD0\x9D\xD0\xBE\xD1\x87\xD1\x8C", "\xD0\xBD\xD0\x9E\xD0\xA7\xD0\xAC", true},  // Ночь, нОЧЬ
      {"\xCE\xA3\xCE\x9F\xCE\xA6\xCE\x8A\xCE\x91", "\xCF\x83\xCE\xBF\xCF\x86\xCE\xAF\xCE\xB1", true},  // ΣΟΦΊΑ, σοφία
      {"\xC5\x81\xC3\xB3\xC5\xBA", "\xC5\x82\xC3\x93\xC5\xB9", true},          // Łóź, łÓŹ
      {"a/b", "A\\B", true},
      {"\xC3\xA9", "e", false},
      {"\xD0\xB5", "e", false},  // Cyrillic е is no Latin e
      {"x\xFF", "X\xFF", true},  // bytes that are no UTF-8 stay as they are
  };
  for (const auto& row : rows) {
    EXPECT_EQ(FoldedName(row.a, NameFold::kUtf8) == FoldedName(row.b, NameFold::kUtf8), row.same) << row.a;
  }
  // A run whose taken names only grow goes on where its last search ended.
  int next = 0, probes = 0;
  const PathTakenTest counted = [&probes](const std::string&) { return ++probes, false; };
  for (int n = 1; n <= 50; ++n) ReserveUniqueTargetPath("R8/Song", counted, NameFold::kUtf8, &next);
  EXPECT_EQ(std::make_pair(next, probes), std::make_pair(51, 100));
}
