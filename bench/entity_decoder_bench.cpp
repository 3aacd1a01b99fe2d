// Decoding speed of the entity decoder on a megabyte of entities and references and on a
// megabyte of plain text; the direct in-place reference step is measured on smaller texts to
// show how it grows where the one-pass step stays flat.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <string>

#include "acquisition/entity_decoder.h"
#include "reference/entity_decoder_plain.h"

namespace {

constexpr std::size_t kMegabyte = 1 << 20;

std::string Repeated(const std::string& piece, std::size_t size) {
  std::string text;
  text.reserve(size + piece.size());
  while (text.size() < size) text += piece;
  return text;
}

// Every kind the decoder knows, back to back: named, escaped twice, short forms, word breaks,
// decimal references small and large, a reference that makes an "&".
const std::string kEntityMix =
    "&amp;&#8217;&auml;&#65;&lt;wbr&gt;&quot;&#38;#66;&ouml&amp;uuml;<wbr>&#;&#8364;x&Dagger;";

void BM_EntityDecoderReferences(benchmark::State& state) {
  const std::string text = Repeated(kEntityMix, kMegabyte);
  for (auto _ : state) benchmark::DoNotOptimize(EntityDecoder(text));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * text.size());
}
BENCHMARK(BM_EntityDecoderReferences)->Unit(benchmark::kMillisecond);

void BM_EntityDecoderOnlyDecimalReferences(benchmark::State& state) {
  const std::string text = Repeated("&#65;", kMegabyte);
  for (auto _ : state) benchmark::DoNotOptimize(EntityDecoder(text));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * text.size());
}
BENCHMARK(BM_EntityDecoderOnlyDecimalReferences)->Unit(benchmark::kMillisecond);

void BM_EntityDecoderPlainText(benchmark::State& state) {
  const std::string text = Repeated("The quick brown fox jumps over the lazy dog. ", kMegabyte);
  for (auto _ : state) benchmark::DoNotOptimize(EntityDecoder(text));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * text.size());
}
BENCHMARK(BM_EntityDecoderPlainText)->Unit(benchmark::kMillisecond);

// The reference step alone, one-pass against in-place, over growing texts of references.
void BM_DecimalStepOnePass(benchmark::State& state) {
  const std::string text = Repeated("&#65;", static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(DecimalReferencesResolved(text));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * text.size());
}
BENCHMARK(BM_DecimalStepOnePass)->Arg(16 << 10)->Arg(64 << 10)->Arg(256 << 10)->Arg(1 << 20)
    ->Unit(benchmark::kMillisecond);

void BM_DecimalStepInPlace(benchmark::State& state) {
  const std::string text = Repeated("&#65;", static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(DecimalReferencesResolvedPlain(text));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * text.size());
}
BENCHMARK(BM_DecimalStepInPlace)->Arg(16 << 10)->Arg(64 << 10)->Arg(256 << 10)
    ->Unit(benchmark::kMillisecond);

}  // namespace
