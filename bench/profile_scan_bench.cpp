// Playlist scan speed on documents of 1,000 to 100,000 tracks, every track complete or every
// track without durl, for the scan the reader uses and for the direct Between-per-track scan.
// The direct scan is not run on 100,000 tracks without durl: each track's durl search runs to
// the end of the document there, which takes far longer than a minute.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "acquisition/profile_scan.h"
#include "reference/profile_scan_plain.h"

namespace {

std::string PlaylistDocument(int tracks, bool withStreamAddress) {
  std::string doc = "<?xml version=\"1.0\"?>\n<playlist>\n";
  for (int i = 0; i < tracks; ++i) {
    const std::string n = std::to_string(i);
    doc += "<song songid=\"" + n + "\" title=\"Song &amp; Title " + n + "\"";
    if (withStreamAddress) doc += " durl=\"http://media.verdimo.test/stream/" + n + ".mp3\"";
    doc += " purl=\"http://media.verdimo.test/play/" + n + ".mp3?a=1&amp;b=2\" plays=\"12\"/>\n";
  }
  return doc + "</playlist>\n";
}

template <typename Scan>
void RunScan(benchmark::State& state, Scan scan) {
  const std::string doc = PlaylistDocument(static_cast<int>(state.range(0)), state.range(1) != 0);
  std::size_t rows = 0;
  for (auto _ : state) {
    const auto songs = scan(doc);
    rows = songs.size();
    benchmark::DoNotOptimize(songs.data());
  }
  if (rows != static_cast<std::size_t>(state.range(0))) state.SkipWithError("wrong row count");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * doc.size());
  state.counters["tracks"] = static_cast<double>(state.range(0));
}

void BM_ScanPlaylist(benchmark::State& state) {
  RunScan(state, [](const std::string& doc) { return ScanPlaylist(doc); });
}
// Second argument: 1 = every track has durl, 0 = no track has one.
BENCHMARK(BM_ScanPlaylist)
    ->ArgsProduct({{1000, 10000, 100000}, {1, 0}})
    ->Unit(benchmark::kMillisecond);

void BM_ScanPlaylistPlain(benchmark::State& state) {
  RunScan(state, [](const std::string& doc) { return ScanPlaylistPlain(doc); });
}
BENCHMARK(BM_ScanPlaylistPlain)
    ->Args({1000, 1})->Args({10000, 1})->Args({100000, 1})
    ->Args({1000, 0})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanPlaylistPlain)->Args({10000, 0})->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
