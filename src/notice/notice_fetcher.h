// NoticeFetcher: the author's notice (display time, link, banner image), fetched once at start-up.
#pragma once

void StartNoticeFetcher();
