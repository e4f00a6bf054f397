#include "util/codepage.h"

#include <gtest/gtest.h>

namespace quarrow::util {
namespace {

TEST(Codepage, GbkBytesOfCommonCharacters) {
  EXPECT_EQ(utf8_to_gbk("登录成功"), "\xB5\xC7\xC2\xBC\xB3\xC9\xB9\xA6");
  EXPECT_EQ(gbk_to_utf8("\xD6\xD0"), "中");
  EXPECT_EQ(utf8_to_gbk(""), "");
}

TEST(Codepage, EveryCharacterRoundTrips) {
  const std::string names[] = {"报告 2024.pdf", "😀 emoji 🎉.txt", "Ünïcödé ñ", "日本語とかな", "𠀀 rare ideograph",
                               "mixed/路径\\x"};
  for (const auto& name : names) {
    SCOPED_TRACE(name);
    Text text = utf8_to_gbk(name);
    EXPECT_EQ(gbk_to_utf8(text), name);
    EXPECT_EQ(utf16_to_gbk(gbk_to_utf16(text)), text);
  }
}

TEST(Codepage, MalformedInputBecomesQuestionMarks) {
  EXPECT_EQ(utf8_to_gbk("a\xFF" "b"), "a?b");
  EXPECT_EQ(utf8_to_gbk("a\xE4\xB8"), "a??");        // cut short at the end
  EXPECT_EQ(utf8_to_gbk("\xED\xA0\x80"), "???");     // an encoded surrogate
  EXPECT_EQ(gbk_to_utf8("a\x80" "b"), "a?b");
  EXPECT_EQ(gbk_to_utf8("x\xD6"), "x?");             // a lead byte without its trail
  EXPECT_EQ(utf16_to_gbk(u"\xD800x"), "?x");         // a lone surrogate
}

TEST(Codepage, AnswerIsCutAtItsFirstNul) {
  EXPECT_EQ(utf8_to_gbk(std::string("ok\0rest", 7)), "ok");
  EXPECT_EQ(utf8_to_gbk_whole(std::string("ok\0rest", 7)), std::string("ok\0rest", 7));
}

}  // namespace
}  // namespace quarrow::util
