// The author's notice data: a display time and a link, separated by ";". Read from the bytes a
// fetch left in its block, so it runs anywhere and is tested natively.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct NoticeData {
  std::int32_t time;  // field 1 in milliseconds; 0 when it holds no number
  std::string link;   // field 2, unchanged; empty without a ";"
};

// The text is block up to its first zero byte, or all of block when it holds none; nothing past
// block is read. Field 1: blanks and tabs skipped, an optional sign, then the digits up to the
// first non-digit; no digits give 0, and so does a number outside the signed 32-bit range (a
// time the program cannot keep is no time, so the banner goes at once). Field 2: the text
// between the first and the second ";", or the end of the text.
NoticeData ReadNoticeData(std::string_view block);
