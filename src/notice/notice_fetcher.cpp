// The notice is not fetched yet: NoticeTime stays 0, so the banner shows for its default time,
// NoticeLink stays empty and the banner keeps its blank image.
#include "notice/notice_fetcher.h"

void StartNoticeFetcher() {}
