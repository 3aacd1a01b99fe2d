// Positions, extraction and the blank/letter-case helpers that all reading rests on.
#include "base/text_search.h"

#include <gtest/gtest.h>

#include <string>

TEST(TextSearch, FindTextCountsFromOneAndReportsNoneAsZero) {
  struct Case {
    std::string source, pattern;
    int start, expected;
  } cases[] = {
      {"abcabc", "abc", 1, 1},
      {"abcabc", "abc", 2, 4},
      {"abcabc", "abc", 4, 4},
      {"abcabc", "abc", 5, 0},
      {"abcabc", "c", 6, 6},    // the last byte is still inside
      {"abcabc", "c", 7, 0},    // beyond the end
      {"abcabc", "c", 100, 0},
      {"abcabc", "a", 0, 1},    // 0 and below mean 1
      {"abcabc", "a", -5, 1},
      {"abcabc", "", 1, 0},     // an empty pattern is never found
      {"", "", 1, 0},
      {"", "a", 1, 0},
      {"abc", "abcd", 1, 0},
      {"aaa", "aa", 2, 2},
      {"ABC", "abc", 1, 0},     // case-sensitive
      {std::string("a\0b", 3), "b", 1, 3},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FindText(c.source, c.pattern, c.start), c.expected)
        << c.source << " / " << c.pattern << " from " << c.start;
  }
  EXPECT_TRUE(ContainsText("xxyyzz", "yz"));
  EXPECT_FALSE(ContainsText("xxyyzz", "zy"));
  EXPECT_FALSE(ContainsText("xxyyzz", ""));
}

TEST(TextSearch, BetweenTakesTextUpToTheNextEndMarker) {
  struct Case {
    std::string source, start, end;
    int position;
    std::string expected;
  } cases[] = {
      {"a=[x]b=[y]", "=[", "]", 1, "x"},
      {"a=[x]b=[y]", "=[", "]", 2, "x"},
      {"a=[x]b=[y]", "=[", "]", 3, "y"},   // the first start marker from the position on
      {"a=[x]b=[y]", "=[", "]", 9, ""},
      {"a=[x]b=[y]", "=[", "]", 0, "x"},
      {"a=[x]b=[y]", "=[", "]", -3, "x"},
      {"a=[x]b=[y]", "=[", "]", 50, ""},
      {"a=[]b", "=[", "]", 1, ""},          // end marker right after the start marker
      {"a=[xyz", "=[", "]", 1, ""},         // no end marker
      {"axyz]", "=[", "]", 1, ""},          // no start marker
      {"a=[x]", "", "]", 1, ""},            // empty markers find nothing
      {"a=[x]", "=[", "", 1, ""},
      {"k=\"v\"\"w\"", "k=\"", "\"", 1, "v"},
      {"&&a&", "&", "&", 1, ""},            // the end search starts after the start marker
      {"&x&a&", "&", "&", 2, "a"},
      {"<<name<", "<", "<", 1, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Between(c.source, c.start, c.end, c.position), c.expected)
        << c.source << " from " << c.position;
  }
}

TEST(TextSearch, TrimBlanksRemovesOnlySpaces) {
  struct Case {
    std::string text, trimmed;
    bool blank;
  } cases[] = {
      {"", "", true},
      {"   ", "", true},
      {"  a b  ", "a b", false},
      {"\ta\t", "\ta\t", false},
      {" \r\n ", "\r\n", false},
      {"x", "x", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TrimBlanks(c.text), c.trimmed) << "[" << c.text << "]";
    EXPECT_EQ(IsBlank(c.text), c.blank) << "[" << c.text << "]";
  }
}

TEST(TextSearch, LowerAnsiRaisesCapitalsOfTheCodePage) {
  EXPECT_EQ(LowerAnsi("ABC xyz @[`{ 09"), "abc xyz @[`{ 09");
  // 0xC0-0xDE are raised, 0xDF (sharp s) and the bytes around stay; 0xD7 is raised as well.
  EXPECT_EQ(LowerAnsi("\xC0\xC4\xD6\xD7\xDC\xDE"), "\xE0\xE4\xF6\xF7\xFC\xFE");
  EXPECT_EQ(LowerAnsi("\xBF\xDF\xE4\x8A"), "\xBF\xDF\xE4\x8A");
  EXPECT_EQ(LowerAnsi(std::string("A\0B", 3)), std::string("a\0b", 3));
}
