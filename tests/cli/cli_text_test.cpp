// The command line's own texts: an index a user or a program may have edited, and names printed
// to a terminal.
#include <gtest/gtest.h>

#include "cli/run_output.h"
#include "cli/save_index.h"

TEST(SaveIndex, TakesOnlyPlainFileNamesFromAnEditedIndex) {
  const std::string songs = R"({"format": 1, "songs": {)";
  const struct {
    std::string text;
    bool parsed;
    std::string file;  // the entry of "u", "-" for none
  } rows[] = {
      {songs + R"("u": {"file": "a.mp3", "whole": true}}})", true, "a.mp3"},
      {songs + R"("u": {"file": "Some Band/a.mp3", "whole": true, "tag": "done"}}})", true, "Some Band/a.mp3"},
      {songs + R"("u": {"file": "../a.mp3", "whole": true}}})", true, "-"},
      {songs + R"("u": {"file": "/etc/passwd", "whole": true}}})", true, "-"},
      {songs + R"("u": {"file": "C:\\x.mp3", "whole": true}}})", true, "-"},
      {songs + R"("u": {"file": "..", "whole": false}}})", true, "-"},
      {songs + R"("u": {"file": "a\nb", "whole": true}}})", true, "-"},
      {songs + R"("u": {"file": 7, "whole": true}, "v": []}})", true, "-"},
      {songs + R"("u": {"file": "a.mp3"}}})", true, "-"},
      {R"({"format": 2, "songs": {}})", false, "-"},
      {R"({"format": "1", "songs": {}})", false, "-"},
      {songs + R"("u": {"file": "a.mp3", "whole": true})", false, "-"},
      {"\xFF\xFE", false, "-"},
  };
  for (const auto& row : rows) {
    SaveIndex index;
    EXPECT_EQ(index.Parse(row.text), row.parsed) << row.text;
    const IndexEntry* entry = index.Find("u");
    EXPECT_EQ(entry ? entry->file : "-", row.file) << row.text;
  }
  SaveIndex written;
  written.Record("http://a.test/\xC3\xA9 x?y=\"1\"", IndexEntry{"\xD0\x96.mp3", false, "\"tag\""});
  SaveIndex read;
  ASSERT_TRUE(read.Parse(written.Text()));
  const IndexEntry* entry = read.Find("http://a.test/\xC3\xA9 x?y=\"1\"");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(std::make_tuple(entry->file, entry->whole, entry->validator),
            std::make_tuple(std::string("\xD0\x96.mp3"), false, std::string("\"tag\"")));
}

TEST(TerminalSafe, BlanksWhatATerminalWouldObey) {
  const std::pair<std::string, std::string> rows[] = {
      {"Caf\xC3\xA9 \xD0\x96", "Caf\xC3\xA9 \xD0\x96"},
      {"a\x1B]0;title\x07z", "a ]0;title z"},
      {"\xC2\x9B" "31m\xE2\x80\xAEgpj.exe\xE2\x81\xA6", " 31m gpj.exe "},
      {"x\xFFy\xC3", "x\xEF\xBF\xBDy\xEF\xBF\xBD"},
      {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
  };
  for (const auto& [text, safe] : rows) EXPECT_EQ(TerminalSafe(text), safe) << text;
}
