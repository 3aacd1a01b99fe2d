#include "shell/window_state.h"

SharedText NoticeLink;
std::atomic<int> NoticeTime;
std::atomic<HBITMAP> NoticeImage;
std::atomic<HWND> NoticeBanner;
const NoticeResults WindowNotice{NoticeTime, NoticeLink, NoticeImage, NoticeBanner};

void ResetWindowState() {
  NoticeLink.Set("");
  NoticeTime = 0;
  NoticeImage = nullptr;
  NoticeBanner = nullptr;
}
