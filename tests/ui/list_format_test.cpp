#include "ui/list_format.h"

#include <gtest/gtest.h>

#include "util/base64.h"
#include "util/codepage.h"

namespace quarrow::ui {
namespace {

TEST(ListFormat, EmptyListIsTheEmptyText) {
  EXPECT_EQ(encode_list({}), "");
  EXPECT_TRUE(decode_list("").empty());
}

TEST(ListFormat, OneRowKeepsThePlainFormByteForByte) {
  ListRows rows = {{"1", "a.zip", "等待计算"_t, "等待下载"_t, "http://s/iabc", "", "/home/u/下载/"_t, ""}};
  Text expected = "1|a.zip|"_t + "等待计算"_t + "|" + "等待下载"_t + "|http://s/iabc||" + "/home/u/下载/"_t + "|\r\n";
  EXPECT_EQ(list_text(rows), expected);
  EXPECT_EQ(encode_list(rows), util::base64_encode(expected));
  // The trailing empty cell yields no cell on reading: that column stays empty.
  ListRows back = decode_list(encode_list(rows));
  ASSERT_EQ(back.size(), 1u);
  rows[0].pop_back();
  EXPECT_EQ(back[0], rows[0]);
}

TEST(ListFormat, SplittingRules) {
  struct Case {
    Text text;
    ListRows rows;
  };
  const Case cases[] = {
      {"1|a||||\r\n", {{"1", "a", "", "", ""}}},                  // empty trailing cells give no cells
      {"1|a\r\n\r\n2|b\r\n", {{"1", "a"}, {}, {"2", "b"}}},       // an empty line in the middle is a row
      {"|x\r\n", {{"", "x"}}},                                    // an empty first cell counts
      {"\x81\x7C|x\r\n", {{"\x81\x7C", "x"}}},                  // a trail byte 0x7C is no separator
      {"no line end", {{"no line end"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(parse_list_text(c.text), c.rows);
  }
  EXPECT_EQ(list_text({{"\x81\x7C", "x"}}), "\x81\x7C|x\r\n") << "no escape for a trail byte";
}

TEST(ListFormat, HostileCellsComeBackWhole) {
  ListRows rows = {
      {"1", "a.zip", "1 KB", "50%", "http://s/i1", "p|w", "/d/", ""},
      {"2", "b.zip", "", "", "http://s/i2", "line\r\nbreak", "/d/", "x"},
      {"3", "c\x1B" "e.zip", "", "", "", "lone\rcr\nlf", "/d/", "\x1B"},
      {"4", "plain.zip", "", "", "", "", "/d/", ""},
  };
  Text text = list_text(rows);
  EXPECT_NE(text.find("\r\n4|plain.zip|||||/d/|\r\n"), Text::npos) << "plain rows stay plain";
  ListRows back = parse_list_text(text);
  ASSERT_EQ(back.size(), rows.size());
  for (size_t r = 0; r < rows.size(); ++r) {
    SCOPED_TRACE(r);
    ListRows::value_type expected = rows[r];
    while (!expected.empty() && expected.back().empty()) expected.pop_back();
    EXPECT_EQ(back[r], expected);
  }
}

TEST(ListFormat, ALongListWithLongLinks) {
  ListRows rows;
  for (int i = 0; i < 1000; ++i) {
    rows.push_back({std::to_string(i + 1), "文件 "_t + std::to_string(i) + ".zip", "12.5 MB", "33.33%",
                    "http://share.example/i" + std::to_string(i), "pw", "/home/u/下载/"_t,
                    "http://dl.example/file/" + Text(400, 'x') + std::to_string(i)});
  }
  Text stored = encode_list(rows);
  EXPECT_GT(stored.size(), 500000u);
  EXPECT_EQ(decode_list(stored), rows);
}

TEST(ListFormat, DecodingToleratesHandEditing) {
  Text stored = encode_list({{"1", "a"}});
  Text edited = stored.substr(0, 4) + " \r\n" + stored.substr(4);
  EXPECT_EQ(decode_list(edited), decode_list(stored));
  EXPECT_EQ(decode_list(util::base64_encode(std::string("1|a\r\n\0garbage", 14))), (ListRows{{"1", "a"}}));
  EXPECT_NO_THROW(decode_list("!!not base64 at all=="));
}

}  // namespace
}  // namespace quarrow::ui
