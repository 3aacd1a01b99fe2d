// The site's generator and its song files, as the tests need them.
#include "e2e/site_fixtures.h"

#include "e2e/program_driver.h"

std::string FixtureSong(const std::string& file) {
  std::string bytes;
  if (!ReadWholeFile(Settings().siteRoot + "\\fixtures\\songs\\" + file, &bytes)) return std::string();
  return bytes;
}
