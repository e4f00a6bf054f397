#include "util/json_doc.h"

#include <gtest/gtest.h>

#include "util/codepage.h"

namespace quarrow::util {
namespace {

TEST(JsonDoc, ReadsAServiceAnswer) {
  JsonDoc doc;
  EXPECT_TRUE(doc.parse(R"({"zt":1,"info":"ok","text":[{"id":5,"name_all":"a.txt"}]})"));
  struct Case {
    Text path, expected;
  };
  const Case cases[] = {
      {"zt", "1"},           {"info", "ok"},       {"text[0].id", "5"},     {"text[0]['name_all']", "a.txt"},
      {"text[1].id", ""},    {"nothing.deeper", ""}, {"info.pwd", ""},       {"text[0][\"name_all\"]", "a.txt"},
      {"[0]", ""},           {"zt.", ""},          {"text[x]", ""},         {"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(doc.get_text(c.path), c.expected);
  }
  EXPECT_EQ(doc.count("text"), 1);
  EXPECT_EQ(doc.count("info"), 0);
  EXPECT_EQ(doc.count("missing"), 0);
  EXPECT_EQ(doc.count(), 3);
  EXPECT_EQ(doc.get_text("text", true), R"([{"id":5,"name_all":"a.txt"}])");
}

TEST(JsonDoc, MalformedTextsGiveEmptyResults) {
  const Text texts[] = {"", "<html><body>502</body></html>", "null", "{\"a\":", "{\"a\":1} tail", "[1,]"};
  for (const auto& text : texts) {
    SCOPED_TRACE(text);
    JsonDoc doc;
    EXPECT_FALSE(doc.parse(text));
    EXPECT_EQ(doc.get_text("zt"), "");
    EXPECT_EQ(doc.count("text"), 0);
  }
  JsonDoc deep;
  EXPECT_FALSE(deep.parse(Text(100000, '[')));
  EXPECT_FALSE(deep.parse(Text(5000, '[') + Text(5000, ']')));
  EXPECT_EQ(deep.to_text(), "");
}

TEST(JsonDoc, AcceptsControlCharactersAndEscapes) {
  JsonDoc doc;
  ASSERT_TRUE(doc.parse("{\"des\":\"line1\r\nline2\\ttab\",\"n\":\"\\u4e2d\\/\"}"));
  EXPECT_EQ(doc.get_text("des"), "line1\r\nline2\ttab");
  EXPECT_EQ(doc.get_text("n"), "中/"_t);
  EXPECT_EQ(doc.to_text(), "{\"des\":\"line1\\r\\nline2\\ttab\",\"n\":\"中/\"}"_t);
}

TEST(JsonDoc, NumbersInBothForms) {
  JsonDoc doc;
  ASSERT_TRUE(doc.parse(R"({"a":123456,"b":1.5,"c":12345678901234,"d":0.1,"e":1e21,"f":-0.000001,"g":1e-7})"));
  EXPECT_EQ(doc.get_text("a"), "123456");
  EXPECT_EQ(doc.get_text("b"), "1.5");
  EXPECT_EQ(doc.get_text("c"), "1.234567890123e+13");
  EXPECT_EQ(doc.get_text("d"), "0.1");
  EXPECT_EQ(doc.get_text("e"), "1e+21");
  EXPECT_EQ(doc.to_text(), R"({"a":123456,"b":1.5,"c":12345678901234,"d":0.1,"e":1e+21,"f":-0.000001,"g":1e-7})");
  EXPECT_EQ(doc.get_object("a").to_text(), "123456");
}

TEST(JsonDoc, GetObjectKeepsTheJsonForm) {
  JsonDoc number, text;
  number.parse(R"({"zt":1})");
  text.parse(R"({"zt":"1"})");
  EXPECT_EQ(number.get_object("zt").to_text(), "1");
  EXPECT_EQ(text.get_object("zt").to_text(), "\"1\"");
  EXPECT_EQ(text.get_object("missing").to_text(), "");
}

TEST(JsonDoc, BuildsListingTexts) {
  JsonDoc doc;
  doc.set_value("FolderNum", "2");
  doc.set_value("FolderList", "[{},{}]", true);
  doc.set_value("FolderList[1].id", "7");
  doc.set_value("FolderList[5].id", "x");  // no such element: nothing changes
  doc.set_value("Missing.child", "x");     // no such parent: nothing changes
  EXPECT_EQ(doc.to_text(), R"({"FolderNum":"2","FolderList":[{},{"id":"7"}]})");
  doc.set_value("Empty", "", true);
  EXPECT_EQ(doc.get_text("Empty", true), "{}");
  doc.set_value("None", "[]", true);
  EXPECT_EQ(doc.count("None"), 0);
}

TEST(JsonDoc, SetValueReadsAStringLiteralBody) {
  struct Case {
    Text value, stored;
  };
  const Case cases[] = {
      {"\\u4e2d", "中"_t},
      {"a\\\\b", "a\\b"},
      {"3", "3"},
      {"tab\\there", "tab\there"},
      // Not literal bodies: what a script would reject stays as it is, the rest is decoded.
      {"it's", "it's"},
      {"\\u4e2d's", "中's"_t},
      {"two\r\nlines", "two\r\nlines"},
      {"ends\\", "ends\\"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    JsonDoc doc;
    doc.set_value("user", c.value);
    EXPECT_EQ(doc.get_text("user"), c.stored);
    EXPECT_EQ(doc.type_of("user"), JsonDoc::kString);
  }
  JsonDoc raw;
  raw.set_string("name", "C:\\new");
  EXPECT_EQ(raw.get_text("name"), "C:\\new");
}

TEST(JsonDoc, RoundTripsThroughText) {
  const Text texts[] = {
      R"({"a":[1,2,{"b":null,"c":true}],"d":"x\"y\\z","e":{}})",
      R"([])",
      R"("just a string")",
      "{\"s\":\"\\u0000\\u001f\\u007f\\u00ad\\u2028\\ufeff\\b\\f\"}",
  };
  for (const auto& text : texts) {
    SCOPED_TRACE(text);
    JsonDoc doc;
    ASSERT_TRUE(doc.parse(text));
    EXPECT_EQ(doc.to_text(), text);
    JsonDoc again;
    ASSERT_TRUE(again.parse(doc.to_text()));
    EXPECT_EQ(again.to_text(), text);
  }
}

TEST(JsonDoc, TextOfOtherKinds) {
  JsonDoc doc;
  ASSERT_TRUE(doc.parse(R"({"t":true,"f":false,"o":{"x":1},"a":[1,"b",null],"e":[]})"));
  EXPECT_EQ(doc.get_text("t"), "true");
  EXPECT_EQ(doc.get_text("f"), "false");
  EXPECT_FALSE(doc.get_text("o").empty());
  EXPECT_EQ(doc.get_text("a"), "1,b,");
  EXPECT_EQ(doc.get_text("e"), "");  // an empty array reads as empty text
}

TEST(JsonDoc, KeysTypesAndItems) {
  JsonDoc doc;
  ASSERT_TRUE(doc.parse(R"({"a":1,"b":[1,2]})"));
  std::vector<Text> keys;
  EXPECT_EQ(doc.keys("", keys), 2);
  EXPECT_EQ(keys, (std::vector<Text>{"a", "b"}));
  EXPECT_EQ(doc.keys("b", keys), 2);
  EXPECT_EQ(keys, (std::vector<Text>{"0", "1"}));
  EXPECT_EQ(doc.keys("a", keys), 0);

  EXPECT_EQ(doc.type_of(), JsonDoc::kObject);
  EXPECT_EQ(doc.type_of("a"), JsonDoc::kNumber);
  EXPECT_EQ(doc.type_of("b"), JsonDoc::kArray);
  EXPECT_EQ(doc.type_of("nope"), JsonDoc::kNull);
  EXPECT_TRUE(doc.exists("a"));
  EXPECT_FALSE(doc.exists("nope"));
  EXPECT_EQ(doc.get_number("a"), 1);

  doc.push("x", "b");
  doc.push("{\"k\":2}", "b", true);
  EXPECT_EQ(doc.get_text("b", true), R"([1,2,"x",{"k":2}])");
  doc.push("first", "a");  // not an array: replaced by one
  EXPECT_EQ(doc.get_text("a", true), R"(["first"])");
  doc.remove_path("b[1]");
  EXPECT_EQ(doc.get_text("b", true), R"([1,"x",{"k":2}])");
  EXPECT_EQ(doc.get_item_text(2, "b", true), R"({"k":2})");
  EXPECT_EQ(doc.get_item_object(2, "b").get_text("k"), "2");

  doc.reset(5);
  doc.set_item(1, "v");
  doc.push("w");
  EXPECT_EQ(doc.to_text(), R"([null,"v","w"])");
  doc.remove_item(0);
  EXPECT_EQ(doc.to_text(), R"(["v","w"])");
  doc.set_root("{\"z\":1}", true);
  EXPECT_EQ(doc.get_text("z"), "1");
  doc.set_number("n", 1.0 / 3);
  EXPECT_EQ(doc.get_text("n"), "0.3333333333333");
  doc.clear();
  EXPECT_EQ(doc.to_text(), "{}");
}

TEST(JsonDoc, CopySharesAndParseSeparates) {
  JsonDoc doc;
  JsonDoc shared = doc.copy();
  shared.set_value("a", "1");
  EXPECT_EQ(doc.get_text("a"), "1");
  shared.parse("{\"b\":2}");
  EXPECT_EQ(doc.get_text("b"), "");
  doc.destroy();
  EXPECT_FALSE(doc.parse("{}"));
  EXPECT_EQ(doc.to_text(), "");
}

}  // namespace
}  // namespace quarrow::util
