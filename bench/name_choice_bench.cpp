// Choosing free names for a save run of 5,000 songs, all called "Song" against 5,000 distinct
// titles, with a transport that brings every song at once and writes nothing: what is left is the
// run's own work, the names' search above all. Same titles should cost at most twice distinct ones.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "downloads/save_run.h"

namespace {

constexpr int kSongs = 5000;

class InstantTransport : public FileTransport {
 public:
  TransferOutcome Transfer(const TransferRequest&) override {
    TransferOutcome outcome;
    outcome.whole = true;
    return outcome;
  }
  bool FileExistsNonEmpty(const std::string&) override { return false; }
};

class NoEvents : public SaveRunEvents {
 public:
  void StateChanged(std::size_t, SongSaveState) override {}
  void Progress(std::size_t, std::uint64_t, std::uint64_t) override {}
  void Ended(std::size_t, SongEnd, const std::string&, const std::string&) override {}
};

void ChooseNames(benchmark::State& state, bool sameTitle) {
  int round = 0;
  for (auto _ : state) {
    // A folder of its own each round: the names of the last one are no longer taken.
    const std::string folder = "/bench-" + std::to_string(++round) + "/";
    std::vector<RunSong> songs;
    for (int k = 1; k <= kSongs; ++k) {
      const std::string title = sameTitle ? "Song" : "Track " + std::to_string(k);
      songs.push_back({"http://audio.verdimo.test/gen/2048/" + std::to_string(k) + ".mp3", title, folder + title});
    }
    InstantTransport transport;
    NoEvents events;
    SaveRunOptions options;
    options.fold = NameFold::kUtf8;
    options.taken = [](const std::string&) { return false; };
    const TransferStop stop;
    benchmark::DoNotOptimize(RunSave(songs, transport, options, events, nullptr, stop));
  }
}

void BM_NamesAllSong(benchmark::State& state) { ChooseNames(state, true); }
void BM_NamesDistinct(benchmark::State& state) { ChooseNames(state, false); }

}  // namespace

BENCHMARK(BM_NamesAllSong)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NamesDistinct)->Unit(benchmark::kMillisecond);
