// The author's addresses. The seven page-address parts are kept scrambled in the program and
// unscrambled where they are used, so they never stand in the executable as plain text.
#pragma once

// Shown in HomeLink and opened bare (no scheme) by a click on it.
extern const char* const kAuthorHomeHost;
// Opened by a click on NoticeBanner when the notice carries no link of its own.
extern const char* const kAuthorHomePage;
// The first NoticePanel loads its page from here rather than from NoticeBaseAddress.
extern const char* const kAuthorFirstHomeAddress;
extern const char* const kNoticeAlertPage;  // "alert.html"

// Scrambled: base address, folder, left panel, right panel, ticker, notice data, notice image.
extern const char kScrambledNoticeBase[];
extern const char kScrambledNoticePath[];
extern const char kScrambledLeftPanelPage[];
extern const char kScrambledRightPanelPage[];
extern const char kScrambledTickerPage[];
extern const char kScrambledNoticeDataFile[];
extern const char kScrambledNoticeImageFile[];
