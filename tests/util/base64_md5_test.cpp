#include <gtest/gtest.h>

#include "util/base64.h"
#include "util/md5.h"

namespace quarrow::util {
namespace {

TEST(Base64, EncodesWithPadding) {
  EXPECT_EQ(base64_encode(""), "");
  EXPECT_EQ(base64_encode("f"), "Zg==");
  EXPECT_EQ(base64_encode("fo"), "Zm8=");
  EXPECT_EQ(base64_encode("foo"), "Zm9v");
  EXPECT_EQ(base64_encode("foobar"), "Zm9vYmFy");
  EXPECT_EQ(base64_encode(std::string("\xFF\xFE\x00", 3)), "//4A");
}

TEST(Base64, DecoderIsTolerant) {
  struct Case {
    std::string text, bytes;
  };
  const Case cases[] = {
      {"", ""},
      {"Zg==", "f"},
      {"Zm8=", "fo"},
      {"Zm9vYmFy", "foobar"},
      {"Zm9v YmFy", "foobar"},              // spaces are dropped
      {"Zm9v\r\nYmFy", "foobar"},           // CR LF pairs are dropped
      {"Zm9v\xA1\xA1YmFy", "foobar"},       // full-width spaces too
      {"Zm9vYg", std::string("foob\0\0", 6)},  // a short group is filled with "A"
      {"Zm9vY", std::string("foo`\0\0", 6)},
      {"Zg=x", "f"},                        // a group stops at its first character outside the alphabet
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(base64_decode(c.text), c.bytes);
  }
}

TEST(Base64, RoundTripsEveryByte) {
  std::string all;
  for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
  for (size_t n = 0; n <= all.size(); n += 37) {
    std::string part = all.substr(0, n);
    EXPECT_EQ(base64_decode(base64_encode(part)), part);
  }
}

TEST(Md5, KnownDigests) {
  EXPECT_EQ(md5_hex(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(md5_hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
}

}  // namespace
}  // namespace quarrow::util
