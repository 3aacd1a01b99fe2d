#include "notice/notice_data.h"

namespace {

std::int32_t ReadTime(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  // The magnitude is bounded as it grows, so no digit string can overflow it.
  const std::int64_t limit = negative ? std::int64_t{INT32_MAX} + 1 : INT32_MAX;
  std::int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > limit) return 0;
  }
  return static_cast<std::int32_t>(negative ? -value : value);
}

}  // namespace

NoticeData ReadNoticeData(std::string_view block) {
  const std::string_view text = block.substr(0, block.find('\0'));
  NoticeData data{ReadTime(text), std::string()};
  const std::size_t first = text.find(';');
  if (first != std::string_view::npos) {
    const std::size_t start = first + 1;
    const std::size_t second = text.find(';', start);
    data.link = std::string(text.substr(start, second == std::string_view::npos ? std::string_view::npos
                                                                                 : second - start));
  }
  return data;
}
