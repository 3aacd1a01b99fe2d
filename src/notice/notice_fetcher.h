// NoticeFetcher: the author's notice (display time, link, banner image), fetched once at start-up
// on its own thread. It leaves NoticeTime, NoticeLink and NoticeImage for the main loop.
//
// The banner and its image come into being on two threads, in either order: start-up creates
// NoticeBanner while the fetcher may be decoding NoticeImage. Each side publishes its own half
// first and then looks for the other's, so whichever comes second gives the banner its image
// (and when both see each other, both give it the same image).
#pragma once

#include <windows.h>

#include <cstddef>

// Starts the NoticeFetcher thread (at start-up, before the window is made).
void StartNoticeFetcher();

// The thread procedure; its parameter is ignored. Fetches the notice data and, for a complete
// notice, the image; ends with NoticeTime at the notice's time or 1 after any failure.
DWORD WINAPI NoticeFetcher(void* unused);

// Whether a thread started by StartNoticeFetcher is still running.
bool NoticeFetcherRunning();

// Start-up's half: NoticeBanner := banner (made with the blank image), then the notice image if
// it is already there.
void PublishNoticeBanner(HWND banner);
// The fetcher's half: NoticeImage := image, then the banner's image if the banner is already
// there. The image is handed to the banner's thread with a posted message, so the fetcher never
// waits for the window's thread.
void PublishNoticeImage(HBITMAP image);

// The notice image from fetched bytes, as a bitmap; 0 when they are no image the program's
// loader decodes (damaged, truncated or no PNG at all).
HBITMAP NoticeBitmapFrom(const char* bytes, std::size_t size);
