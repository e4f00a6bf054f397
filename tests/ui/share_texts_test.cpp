#include <gtest/gtest.h>

#include "ui/share_texts.h"
#include "util/codepage.h"

namespace quarrow::ui {
namespace {

// What the password dialogs (key of at least 3 characters) and the share dialog
// (at least 1) make of an answer: nothing to show and the message instead, or
// the share facts.
TEST(ReadShareInfo, Table) {
  struct Case {
    const char* answer;  // UTF-8; nullptr: no answer at all
    bool folder;
    size_t min_key;
    bool shown;
    const char* message;  // when not shown
    const char* url;      // when shown
    bool on;
    const char* password;
  };
  const Case cases[] = {
      // Refusals: "zt" other than 1, with whatever "info" says, also nothing.
      {R"({"zt":0,"info":"没有权限"})", true, 1, false, "没有权限", "", false, ""},
      {R"({"zt":0,"info":""})", true, 1, false, "", "", false, ""},
      {R"({"zt":0})", false, 3, false, "", "", false, ""},
      {R"({"zt":"1","info":{"name":"A","onof":"0","pwd":"","new_url":"u"}})", true, 1, true, "", "u", false, ""},
      {R"({"zt":"0","info":"已关闭"})", true, 1, false, "已关闭", "", false, ""},
      {nullptr, false, 1, false, "无法连接服务器，请检查网络后重试。", "", false, ""},
      // Folders: a name is needed; the switch is on only for "1".
      {R"({"zt":1,"info":{"name":"","onof":"1","pwd":"p","new_url":"u"}})", true, 1, false, "文件夹不存在!", "", false, ""},
      {R"({"zt":1,"info":{"name":"A","onof":"1","pwd":"p","new_url":"http://s/b1"}})", true, 1, true, "", "http://s/b1",
       true, "p"},
      {R"({"zt":1,"info":{"name":"A","onof":1,"pwd":"p","new_url":"u"}})", true, 1, true, "", "u", true, "p"},
      {R"({"zt":1,"info":{"name":"A","onof":"2","pwd":"p","new_url":"u"}})", true, 1, true, "", "u", false, "p"},
      // Files: base + "/" + key; a switch value and a long enough key are needed.
      {R"({"zt":1,"info":{"f_id":"iab","is_newd":"http://s","onof":"0","pwd":""}})", false, 3, true, "", "http://s/iab",
       false, ""},
      {R"({"zt":1,"info":{"f_id":"ab","is_newd":"http://s","onof":"0","pwd":""}})", false, 3, false, "文件不存在!", "",
       false, ""},
      {R"({"zt":1,"info":{"f_id":"ab","is_newd":"http://s","onof":"1","pwd":"x"}})", false, 1, true, "", "http://s/ab",
       true, "x"},
      {R"({"zt":1,"info":{"f_id":"","is_newd":"http://s","onof":"1","pwd":"x"}})", false, 1, false, "文件不存在!", "",
       false, ""},
      {R"({"zt":1,"info":{"f_id":"iab","is_newd":"http://s","pwd":"x"}})", false, 1, false, "文件不存在!", "", false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer ? c.answer : "(no answer)");
    util::JsonDoc doc;
    bool answered = c.answer && doc.parse(util::utf8_to_gbk(c.answer));
    ShareInfo info = read_share_info(doc, answered, c.folder, c.min_key);
    ASSERT_EQ(!info.failure.has_value(), c.shown);
    if (!c.shown) {
      EXPECT_EQ(*info.failure, util::utf8_to_gbk(c.message));
      continue;
    }
    EXPECT_EQ(info.url, c.url);
    EXPECT_EQ(info.on, c.on);
    EXPECT_EQ(info.password, c.password);
  }
}

}  // namespace
}  // namespace quarrow::ui
