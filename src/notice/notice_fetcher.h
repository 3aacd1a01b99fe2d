// NoticeFetcher: the author's notice (display time, link, banner image), fetched once at start-up
// on its own thread. It leaves the notice's time, link and image for the main loop in the
// NoticeResults that the shell owns and hands it.
//
// The banner and its image come into being on two threads, in either order: start-up creates
// NoticeBanner while the fetcher may be decoding NoticeImage. Each side publishes its own half
// first and then looks for the other's, so whichever comes second gives the banner its image
// (and when both see each other, both give it the same image).
#pragma once

#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <cstddef>

#include "base/shared_text.h"

// Where the notice goes: the values the shell keeps for its loop and start-up.
struct NoticeResults {
  std::atomic<int>& time;
  SharedText& link;
  std::atomic<HBITMAP>& image;
  std::atomic<HWND>& banner;
};

// What a NoticeFetcher thread is given.
struct NoticeFetchRequest {
  NoticeResults results;
  HINTERNET session;
};

// Starts the NoticeFetcher thread (at start-up, before the window is made).
void StartNoticeFetcher(const NoticeResults& results, HINTERNET session);

// The thread procedure; its parameter is a NoticeFetchRequest that outlives it. Fetches the notice
// data and, for a complete notice, the image; ends with the time at the notice's time or 1 after
// any failure.
DWORD WINAPI NoticeFetcher(void* request);

// Whether a thread started by StartNoticeFetcher is still running.
bool NoticeFetcherRunning();

// Start-up's half: the banner (made with the blank image) is published, then given the notice
// image if it is already there.
void PublishNoticeBanner(const NoticeResults& results, HWND banner);
// The fetcher's half: the image is published, then given to the banner if the banner is already
// there. The image is handed to the banner's thread with a posted message, so the fetcher never
// waits for the window's thread.
void PublishNoticeImage(const NoticeResults& results, HBITMAP image);

// The notice image from fetched bytes, as a bitmap; 0 when they are no image the program's
// loader decodes (damaged, truncated or no PNG at all).
HBITMAP NoticeBitmapFrom(const char* bytes, std::size_t size);
