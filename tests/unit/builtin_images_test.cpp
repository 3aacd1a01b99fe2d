#include "resources/builtin_images.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "resources/embedded_images.h"

namespace {

struct ImageSize {
  const char* name;
  int width;
  int height;
};

TEST(BuiltinImages, AllThirtyThreeDecodeInTheirSizes) {
  std::vector<ImageSize> expected = {{kHeaderStripImage, 400, 26}};
  for (int i = 0; i < 4; ++i) {
    expected.push_back({kGoImages[i], 55, 23});
    expected.push_back({kSaveImages[i], 78, 23});
  }
  for (int i = 0; i < kSpinnerFrameCount; ++i) expected.push_back({SpinnerImageName(i), 84, 84});
  ASSERT_EQ(expected.size(), 33u);
  EXPECT_EQ(kEmbeddedImageCount, 33);
  for (const ImageSize& e : expected) {
    SCOPED_TRACE(e.name);
    const DecodedImage image = DecodeBuiltinImage(e.name);
    ASSERT_TRUE(image.ok());
    EXPECT_EQ(image.width, e.width);
    EXPECT_EQ(image.height, e.height);
    EXPECT_EQ(image.rgb.size(), static_cast<size_t>(e.width) * e.height * 3);
  }
}

TEST(BuiltinImages, EveryFileIsEightBitRgbWithoutAlphaNorInterlace) {
  for (int i = 0; i < kEmbeddedImageCount; ++i) {
    const EmbeddedImage& file = kEmbeddedImages[i];
    SCOPED_TRACE(file.name);
    ASSERT_GT(file.size, 33);
    // IHDR follows the 8-byte signature and its 8-byte chunk header.
    const unsigned char* header = file.bytes + 16;
    EXPECT_EQ(header[8], 8);   // bit depth
    EXPECT_EQ(header[9], 2);   // colour type RGB
    EXPECT_EQ(header[12], 0);  // no interlace
  }
}

TEST(BuiltinImages, SpinnerFramesAllDiffer) {
  std::set<std::vector<unsigned char>> frames;
  for (int i = 0; i < kSpinnerFrameCount; ++i) frames.insert(DecodeBuiltinImage(SpinnerImageName(i)).rgb);
  // The dots darken one by one, then lighten one by one: no two frames look the same.
  EXPECT_EQ(frames.size(), static_cast<size_t>(kSpinnerFrameCount));
  EXPECT_EQ(std::string(SpinnerImageName(24)), "");
  EXPECT_EQ(std::string(SpinnerImageName(-1)), "");
}

TEST(PngDecoder, DamagedDataGivesNoImageAndNeverAborts) {
  const EmbeddedImage& file = kEmbeddedImages[0];
  const std::string whole(reinterpret_cast<const char*>(file.bytes), static_cast<size_t>(file.size));
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"no signature", "not a png file at all"},
      {"signature only", whole.substr(0, 8)},
      {"cut in the header", whole.substr(0, 20)},
      {"cut in the data", whole.substr(0, whole.size() / 2)},
      {"flipped data byte", [&] {
         std::string damaged = whole;
         damaged[damaged.size() / 2] ^= 0x5A;
         return damaged;
       }()},
      // Whole one-bit images whose header asks for one pixel more than the decoder takes.
      {"2049 pixels wide", std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\x08\x01\0\0\0\x01\x01\0\0\0\0\x8d\xad\x18"
                                       "\x61\0\0\0\x0cIDAT\x78\xda\x63\x60\x18\xe9\0\0\x01\x02\0\x01\x16\xe0\xd5\x2a"
                                       "\0\0\0\0IEND\xae\x42\x60\x82", 69)},
      {"2049 pixels tall", std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\x01\0\0\x08\x01\x01\0\0\0\0\x04\x81\xb7"
                                       "\x43\0\0\0\x1aIDAT\x78\xda\xed\xc1\x01\x0d\0\0\0\xc2\xa0\xf7\x4f\x6d\x0f\x07"
                                       "\x14\0\0\0\xf0\x6f\x10\x02\0\x01\xa5\x8c\xa9\xbd\0\0\0\0IEND\xae\x42\x60\x82", 83)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const DecodedImage image = DecodePng(reinterpret_cast<const unsigned char*>(c.bytes.data()), c.bytes.size());
    EXPECT_FALSE(image.ok());
  }
  EXPECT_FALSE(DecodePng(nullptr, 100).ok());
  EXPECT_FALSE(DecodeBuiltinImage("no_such_image").ok());
}

}  // namespace
