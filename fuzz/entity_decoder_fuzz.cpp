// The fast entity decoder against the plain one, step 3 alone and all three steps.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "acquisition/entity_decoder.h"
#include "fuzz_input.h"
#include "reference/entity_decoder_plain.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  FUZZ_CHECK(EntityDecoder(text) == EntityDecoderPlain(text));
  FUZZ_CHECK(DecimalReferencesResolved(text) == DecimalReferencesResolvedPlain(text));
  return 0;
}
