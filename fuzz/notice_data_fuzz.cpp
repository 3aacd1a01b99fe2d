// The notice data parse with arbitrary bytes: the link never reaches past the first zero byte.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_input.h"
#include "notice/notice_data.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view block(reinterpret_cast<const char*>(data), size);
  const NoticeData notice = ReadNoticeData(block);
  const std::string_view text = block.substr(0, block.find('\0'));
  FUZZ_CHECK(notice.link.size() <= text.size());
  FUZZ_CHECK(notice.link.find(';') == std::string::npos);
  FUZZ_CHECK(notice.link.find('\0') == std::string::npos);
  if (text.find(';') == std::string_view::npos) FUZZ_CHECK(notice.link.empty());
  return 0;
}
