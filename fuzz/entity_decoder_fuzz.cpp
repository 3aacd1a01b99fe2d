// The fast entity decoder against the plain one, step 3 alone and all three steps; the command
// line's decoder gives UTF-8 without a control or direction override, whatever comes.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "acquisition/entity_decoder.h"
#include "fuzz_input.h"
#include "reference/entity_decoder_plain.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  FUZZ_CHECK(EntityDecoder(text) == EntityDecoderPlain(text));
  FUZZ_CHECK(DecimalReferencesResolved(text) == DecimalReferencesResolvedPlain(text));
  std::vector<std::uint32_t> points;
  FUZZ_CHECK(FuzzCodePoints(EntityDecoderUtf8(text), points));
  for (const std::uint32_t c : points) {
    FUZZ_CHECK(c >= 0x20 && !(c >= 0x7F && c <= 0x9F) && !(c >= 0x202A && c <= 0x202E) && !(c >= 0x2066 && c <= 0x2069));
  }
  return 0;
}
