// The window's state that the shell owns beside its controls: what the notice fetcher publishes
// for the banner, read by the main loop and start-up.
#pragma once

#include <windows.h>

#include <atomic>

#include "base/shared_text.h"
#include "notice/notice_fetcher.h"

extern SharedText NoticeLink;
extern std::atomic<int> NoticeTime;
extern std::atomic<HBITMAP> NoticeImage;
// Published by start-up once made, read by the notice fetcher (see PublishNoticeBanner).
extern std::atomic<HWND> NoticeBanner;
// The four above, as the notice fetcher writes them.
extern const NoticeResults WindowNotice;

// Puts every value back to its start (start-up).
void ResetWindowState();
