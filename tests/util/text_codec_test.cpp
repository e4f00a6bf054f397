#include "util/text_codec.h"

#include <gtest/gtest.h>

#include "util/codepage.h"

namespace quarrow::util {
namespace {

TEST(UrlEncode, Cases) {
  struct Case {
    Text text, expected;
  };
  const Case cases[] = {
      {"新 a_b"_t, "%E6%96%B0%20a%5Fb"},
      {"", ""},
      {"A-z.09", "A-z.09"},
      {"a&b=c+d%e", "a%26b%3Dc%2Bd%25e"},
      {"~*/", "%7E%2A%2F"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(url_encode(c.text), c.expected);
  }
  EXPECT_EQ(url_encode("a b", false, false), "%61%20%62");
  EXPECT_EQ(url_encode("中"_t, true, false), "%D6%D0");  // the GBK bytes themselves
}

TEST(UnicodeUnescape, Cases) {
  struct Case {
    Text text, expected;
  };
  const Case cases[] = {
      {"{\"info\":\"\\u4e2d\"}", "{\"info\":\"中\"}"_t},
      {"a\\/b", "a/b"},
      {"line1\r\nline2", "line1\r\nline2"},
      {"it's", "it's"},
      {"\xA1\xAF", "'"},                       // a right single quotation mark comes out as an apostrophe
      {"x{$}y", "x\r\ny"},
      {"\rabc", "abc"},                        // one leading CR is dropped
      {"say \\\"hi\\\"", "say \"hi\""},
      {"100%", "100%"},
      {"%u4E2D%41", "中A"_t},
      {"\\\\u4e2d", "中"_t},                  // "\u" inside "\\u" is replaced first
      {"\\ud83d\\ude00", "😀"_t},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(unicode_unescape(c.text), c.expected);
  }
}

TEST(UnicodeUnescape, FallsBackToUtf16WhenNotALiteralBody) {
  // A lone line feed cannot stand in a string literal: the bytes are read as UTF-16LE.
  EXPECT_EQ(unicode_unescape("a\nb!"), utf16_to_gbk(u"\u0a61\u2162"));
  EXPECT_EQ(unicode_unescape(""), "");
  // A lone final backslash: the fallback too, and an odd last byte is dropped.
  EXPECT_EQ(unicode_unescape("ab\\"), utf16_to_gbk(u"\u6261"));
}

TEST(JsEscape, Cases) {
  EXPECT_EQ(js_escape("a b中"_t, false, false, "\\u"), "a%20b\\u4E2D");
  EXPECT_EQ(js_escape("it's"), "it's");
  EXPECT_EQ(js_escape("@*_+-./"), "@*_+-./");
  EXPECT_EQ(js_escape("{[(x)]}"), "%7B%5B%28x%29%5D%7D");
  EXPECT_EQ(js_escape("{[(x)]}", true), "{[(x)]}");
  EXPECT_EQ(js_escape("a:b,\"c\"", false, true), "a:b,\"c\"");
  EXPECT_EQ(js_escape("中"_t, false, false, "   "), "%u4E2D");  // a blank replacement is ignored
  EXPECT_EQ(js_escape("é"_t), "%E9");
}

}  // namespace
}  // namespace quarrow::util
