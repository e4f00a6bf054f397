#include "util/text_search.h"

#include <gtest/gtest.h>

#include "util/codepage.h"

namespace quarrow::util {
namespace {

// 0x81 0x41 is one GBK character whose trail byte is "A".
const Text kTrailA = "\x81\x41";

TEST(TextBetween, Cases) {
  struct Case {
    Text text, left, right, expected;
  };
  const Case cases[] = {
      {"a\"b\"c", "#引号"_t, "#引号"_t, "b"},
      {"key=value;", "", ";", "key=value"},
      {"key=value;", "key=", "", ""},
      {"<title>x</title>", "<title>", "</title>", "x"},
      {"no markers", "<", ">", ""},
      {"left only <", "<", ">", ""},
      {kTrailA + "B", "A", "B", ""},                 // never at a trail byte
      {kTrailA + "AxB", "A", "B", "x"},              // the next real "A"
      {"文件大小：</span>1.5 MB<br>"_t, "文件大小：</span>"_t, "<br>", "1.5 MB"},
      {"a[1]b[2]", "[", "]", "1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(text_between(c.text, c.left, c.right), c.expected);
  }
}

TEST(TextBetween, StartPositionAndIgnoreCase) {
  EXPECT_EQ(text_between("[1][2]", "[", "]", 3), "2");
  EXPECT_EQ(text_between("[1][2]", "[", "]", 0), "1");
  EXPECT_EQ(text_between("Content-Type: text/plain;", "content-type: ", ";", 1, true), "text/plain");
  EXPECT_EQ(text_between("Content-Type: x;", "content-type: ", ";"), "");
}

TEST(TextBefore, Cases) {
  EXPECT_EQ(text_before("abc", "a"), "");
  EXPECT_EQ(text_before("abc", "x"), "");
  EXPECT_EQ(text_before("abc", "c"), "ab");
  EXPECT_EQ(text_before("a[1]", "["), "a");
  EXPECT_EQ(text_before("AbC", "c", 1, true), "Ab");
}

TEST(TextAfterLast, Cases) {
  EXPECT_EQ(text_after_last("x/y/z", "/"), "z");
  EXPECT_EQ(text_after_last("x/y/", "/"), "");
  EXPECT_EQ(text_after_last("xyz", "/"), "");
  EXPECT_EQ(text_after_last("a/b/c", "/", 4), "b/c");  // only markers ending within the first 3 bytes
  EXPECT_EQ(text_after_last(kTrailA + "x", "A"), "");
}

TEST(AllBetween, Cases) {
  std::vector<Text> pieces;
  EXPECT_EQ(all_between("[1][2]", "[", "]", pieces), 2);
  EXPECT_EQ(pieces, (std::vector<Text>{"1", "2"}));

  // The next search starts after the previous left marker, inside the piece.
  EXPECT_EQ(all_between("<a>1<a>2</div>", "<a>", "</div>", pieces), 2);
  EXPECT_EQ(pieces, (std::vector<Text>{"1<a>2", "2"}));

  EXPECT_EQ(all_between("nothing", "[", "]", pieces), 0);
  EXPECT_TRUE(pieces.empty());

  AllBetweenOptions options;
  options.prefix = "(";
  options.suffix = ")";
  options.keep_left = true;
  options.max_length = 5;
  int pumped = 0;
  options.pump = [&] { ++pumped; };
  EXPECT_EQ(all_between("[1][22]", "[", "]", pieces, options), 1);
  EXPECT_EQ(pieces, (std::vector<Text>{"[(1)"}));
  EXPECT_EQ(pumped, 2);
}

TEST(TextHelpers, TrimSplitAndNumbers) {
  const Text full_width_space = "\xA1\xA1";
  EXPECT_EQ(trim(" " + full_width_space + "a b" + full_width_space + " "), "a b");
  EXPECT_EQ(trim("\tx\t"), "\tx\t");
  EXPECT_EQ(remove_spaces("a = 1;" + full_width_space + " b"), "a=1;b");

  EXPECT_EQ(split_text("a|b||c|", "|"), (std::vector<Text>{"a", "b", "", "c"}));
  EXPECT_EQ(split_text("|a", "|"), (std::vector<Text>{"", "a"}));
  EXPECT_TRUE(split_text("", "|").empty());
  // "\x81\x7C" is one character whose trail byte is "|": not a separator.
  EXPECT_EQ(split_text("\x81\x7C|x", "|"), (std::vector<Text>{"\x81\x7C", "x"}));

  EXPECT_EQ(text_to_int("42abc"), 42);
  EXPECT_EQ(text_to_int("-7"), -7);
  EXPECT_EQ(text_to_int("x1"), 0);
  EXPECT_EQ(text_to_int(""), 0);

  EXPECT_TRUE(equal_ignore_case("Section", "SECTION"));
  EXPECT_FALSE(equal_ignore_case("\x81\x41", "\x81\x61"));  // trail bytes never fold
}

}  // namespace
}  // namespace quarrow::util
