// The entity decoder: the named table and its order, the word-break tag, the decimal references
// with their scan rules and the mapping of values above 255, and agreement of the one-pass
// decoder with the direct in-place version.
#include "acquisition/entity_decoder.h"

#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "reference/entity_decoder_plain.h"

namespace {

struct Case {
  std::string input, expected;
};

void ExpectDecodes(const Case& c) {
  EXPECT_EQ(EntityDecoder(c.input), c.expected) << "input: " << c.input;
  EXPECT_EQ(EntityDecoderPlain(c.input), c.expected) << "plain, input: " << c.input;
}

}  // namespace

TEST(EntityDecoder, EveryNamedEntityGivesItsByte) {
  const Case cases[] = {
      {"&auml;", "\xE4"},   {"&Auml;", "\xC4"},   {"&uuml;", "\xFC"},  {"&Uuml;", "\xDC"},
      {"&ouml;", "\xF6"},   {"&Ouml;", "\xD6"},   {"&iuml;", "\xEF"},  {"&Iuml;", "\xCF"},
      {"&szlig;", "\xDF"},  {"&dagger;", "\x86"}, {"&Dagger;", "\x87"}, {"&yen;", "\xA5"},
      {"&pound;", "\xA3"},  {"&iexcl;", "\xA1"},  {"&sect;", "\xA7"},  {"&uml;", "\xA8"},
      {"&copy;", "\xA9"},   {"&amp;", "&"},       {"&quot;", "\""},    {"&laquo;", "\xAB"},
      {"&reg;", "\xAE"},    {"&deg;", "\xB0"},    {"&gt;", ">"},       {"&lt;", "<"},
      {"&ccedil;", "\xE7"}, {"&auml", "\xE4"},    {"&Auml", "\xC4"},   {"&uuml", "\xFC"},
      {"&Uuml", "\xDC"},    {"&ouml", "\xF6"},    {"&Ouml", "\xD6"},   {"&iuml", "\xEF"},
      {"&Iuml", "\xCF"},    {"&szlig", "\xDF"},   {"&dagger", "\x86"}, {"&Dagger", "\x87"},
  };
  for (const Case& c : cases) {
    ExpectDecodes(c);
    ExpectDecodes({"<" + c.input + ">", "<" + c.expected + ">"});
    ExpectDecodes({c.input + c.input, c.expected + c.expected});
  }
}

TEST(EntityDecoder, NamedEntitiesAndTheirOrder) {
  const Case cases[] = {
      {"", ""},
      {"plain text", "plain text"},
      {"Caf&eacute;", "Caf&eacute;"},          // not in the table
      {"Rock &amp; Roll", "Rock & Roll"},
      {"&amp;auml;", "\xE4;"},                 // "&amp;" first, then the short form
      {"K&auml;se", "K\xE4se"},
      {"K&aumlse", "K\xE4se"},
      {"K&amp;auml;se", "K\xE4;se"},
      {"&AUML;", "&AUML;"},                    // case-sensitive
      {"&amp;amp;", "&amp;"},                  // a row does not look at what it wrote
      {"&amp;quot;", "\""},                    // later rows see what "&amp;" left
      {"&amp;lt;", "<"},
      {"&amp;copy;", "&copy;"},                // "&copy;" comes before "&amp;"
      {"&amp;pound;", "&pound;"},
      {"&amp;szlig;", "\xDF;"},
      {"&amp;Dagger;", "\x87;"},
      {"&dagger;&Dagger;&dagger", "\x86\x87\x86"},
      {"&ampamp;", "&ampamp;"},
      {"&&amp;;", "&&;"},
      {"&uml;", "\xA8"},                       // not taken for a broken "&auml;"
      {"&auml;uml;", "\xE4uml;"},
  };
  for (const Case& c : cases) ExpectDecodes(c);
}

TEST(EntityDecoder, WordBreakTag) {
  const Case cases[] = {
      {"A<wbr>B", "AB"},
      {"A&lt;wbr&gt;B", "AB"},                 // "&lt;" and "&gt;" make the tag first
      {"A&amp;lt;wbr&amp;gt;B", "AB"},
      {"A<WBR>B", "A<WBR>B"},
      {"<wbr><wbr>x<wbr>", "x"},
      {"A<wbr B", "A<wbr B"},
  };
  for (const Case& c : cases) ExpectDecodes(c);
}

TEST(EntityDecoder, DecimalReferences) {
  const Case cases[] = {
      {"It&#39;s", "It's"},
      {"It&#39s", "It's"},
      {"&#65;&#66;", "AB"},
      {"&#;", ""},
      {"ab&#", "ab"},
      {"&#x41;", "x41;"},                      // no hexadecimal form
      {"&#38;#66;", "&#66;"},                  // a written "&" starts nothing
      {"&#&#65;", "&#65;"},                    // the "&" that moved up is passed over
      {"&#0;&#65;", "&#65;"},                  // so does one that writes nothing (value 0)
      {"&#000;x", "x"},
      {"&#0;", ""},
      {"&#&#&#65;", "&#A"},
      {"&#00065;", "A"},
      {"&#65", "A"},
      {"&#65;;", "A;"},
      {"&#65 ;", "A ;"},
      {"&&#65;", "&A"},
      {"&#38;#38;#66;", "&#38;#66;"},
      {"&#35;&#35;", "##"},
      {"&amp;#65;", "A"},                      // named entities come before references
      {"&#38;amp;", "&amp;"},                  // and references are not fed back to them
      {"a&#9;b", "a\tb"},
      {"&#128;&#150;&#255;", "\x80\x96\xFF"},  // 1-255 give their own byte
  };
  for (const Case& c : cases) ExpectDecodes(c);
}

TEST(EntityDecoder, ValuesAbove255TakeTheirCodePageByte) {
  const Case cases[] = {
      {"&#8364;", "\x80"}, {"&#8218;", "\x82"}, {"&#402;", "\x83"},  {"&#8222;", "\x84"},
      {"&#8230;", "\x85"}, {"&#8224;", "\x86"}, {"&#8225;", "\x87"}, {"&#710;", "\x88"},
      {"&#8240;", "\x89"}, {"&#352;", "\x8A"},  {"&#8249;", "\x8B"}, {"&#338;", "\x8C"},
      {"&#381;", "\x8E"},  {"&#8216;", "\x91"}, {"&#8217;", "\x92"}, {"&#8220;", "\x93"},
      {"&#8221;", "\x94"}, {"&#8226;", "\x95"}, {"&#8211;", "\x96"}, {"&#8212;", "\x97"},
      {"&#732;", "\x98"},  {"&#8482;", "\x99"}, {"&#353;", "\x9A"},  {"&#8250;", "\x9B"},
      {"&#339;", "\x9C"},  {"&#382;", "\x9E"},  {"&#376;", "\x9F"},
      {"Don&#8217;t", "Don\x92t"},
      {"&#256;", "?"},                         // not in the code page (and not its low byte 0)
      {"&#321;", "?"},                         // low byte 65 must not give "A"
      {"&#12354;", "?"},
      {"&#2147483647;", "?"},
      {"&#4294967361;", "?"},                  // 2^32 + 65: no wrap-around to "A"
      {"&#99999999999999999999999999999999;x", "?x"},
  };
  for (const Case& c : cases) ExpectDecodes(c);
  EXPECT_EQ(DecimalReferenceByte(0), -1);
  EXPECT_EQ(DecimalReferenceByte(1), 1);
  EXPECT_EQ(DecimalReferenceByte(255), 255);
  EXPECT_EQ(DecimalReferenceByte(8364), 0x80);
  EXPECT_EQ(DecimalReferenceByte(0x81 + 0x2000), '?');
}

// Every text of up to seven bytes over the bytes that matter to references, then random longer
// ones: the one-pass step must match the count-then-search version byte for byte.
TEST(EntityDecoder, DecimalStepAgreesWithDirectVersionOnAllShortTexts) {
  const std::string alphabet = "&#120;xa";
  std::string text;
  int checked = 0;
  for (std::size_t length = 0; length <= 7; ++length) {
    std::vector<std::size_t> digits(length, 0);
    for (;;) {
      text.assign(length, ' ');
      for (std::size_t i = 0; i < length; ++i) text[i] = alphabet[digits[i]];
      ASSERT_EQ(DecimalReferencesResolved(text), DecimalReferencesResolvedPlain(text))
          << "input: " << text;
      ++checked;
      std::size_t i = 0;
      while (i < length && ++digits[i] == alphabet.size()) digits[i++] = 0;
      if (i == length) break;
    }
  }
  EXPECT_EQ(checked, 2396745);  // 8^0 + ... + 8^7
}

TEST(EntityDecoder, DecimalStepAgreesWithDirectVersionOnRandomTexts) {
  const std::string alphabet = "&#120;xa";
  std::mt19937 random(20240611);
  std::uniform_int_distribution<std::size_t> length(8, 12);
  std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
  for (int i = 0; i < 300000; ++i) {
    std::string text(length(random), ' ');
    for (char& c : text) c = alphabet[pick(random)];
    ASSERT_EQ(DecimalReferencesResolved(text), DecimalReferencesResolvedPlain(text))
        << "input: " << text;
  }
}

TEST(EntityDecoder, WholeDecoderAgreesWithDirectVersionOnRandomTexts) {
  // Every name of the table, with and without ";", and the bytes around them.
  const std::string pieces[] = {
      "&",     "#",      ";",     "amp;",   "amp",   "auml",  "Auml",  "uuml",  "Uuml",
      "ouml",  "Ouml",   "iuml",  "Iuml",   "szlig", "dagger", "Dagger", "yen", "pound",
      "iexcl", "sect",   "uml",   "copy",   "quot",  "laquo", "reg",   "deg",   "gt",
      "lt",    "ccedil", "wbr",   "<",      ">",     "6",     "5",     "0",     "3",
      "8",     "x",      "a",     "&#",     "&amp;", "&amp;amp;"};
  std::mt19937 random(7);
  std::uniform_int_distribution<int> count(0, 14);
  std::uniform_int_distribution<std::size_t> pick(0, std::size(pieces) - 1);
  for (int i = 0; i < 300000; ++i) {
    std::string text;
    for (int n = count(random); n > 0; --n) text += pieces[pick(random)];
    ASSERT_EQ(EntityDecoder(text), EntityDecoderPlain(text)) << "input: " << text;
  }
}

TEST(EntityDecoderUtf8, KeepsEveryCharacterWithTheWindowsQuirks) {
  const Case cases[] = {
      {"Caf\xE9 &auml;&dagger; \x80", "Caf\xC3\xA9 \xC3\xA4\xE2\x80\xA0 \xE2\x82\xAC"},
      {"&#8364;&#233;&#128512;", "\xE2\x82\xAC\xC3\xA9\xF0\x9F\x98\x80"},
      {"a&#0;bc &#55296;&#1114112;&#99999999999999;", "abc ???"},
      {"&#38;#66; &#&#65; &amp;auml; <w&#98;r>&lt;wbr>", "&#66; &#65; \xC3\xA4; <wbr>"},
      {"t\tx\x7F\x81 &#150;&#129;&#8238;&#8294;|", "t x   \xE2\x80\x93   |"},
      {"x<wbr>y &#65", "xy A"},
  };
  for (const Case& c : cases) EXPECT_EQ(EntityDecoderUtf8(c.input), c.expected) << "input: " << c.input;
}
