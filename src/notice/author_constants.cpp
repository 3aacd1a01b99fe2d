#include "notice/author_constants.h"

const char* const kAuthorHomeHost = "www.vmd-author.test";
const char* const kAuthorHomePage = "http://www.vmd-author.test/";
const char* const kAuthorFirstHomeAddress = "http://vmd-author.test";
const char* const kNoticeAlertPage = "alert.html";

// Each byte is the plain byte lowered by 2 (see TextScrambler).
const char kScrambledNoticeBase[] = "frrn8--uuu,tkb+_srfmp,rcqr";  // 26 bytes
const char kScrambledNoticePath[] = "-bmuljm_bcp-tcpbgkm-lmrgac-dgjcq-";  // 33 bytes
const char kScrambledLeftPanelPage[] = "n_lcj/,frk";  // 10 bytes
const char kScrambledRightPanelPage[] = "n_lcj0,frk";  // 10 bytes
const char kScrambledTickerPage[] = "rgaicp,frkj";  // 11 bytes
const char kScrambledNoticeDataFile[] = "lmrgac+b_r_,rvr";  // 15 bytes
const char kScrambledNoticeImageFile[] = "lmrgac/,nle";  // 11 bytes
