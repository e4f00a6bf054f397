// Share import against quarrow-server: the folder listing, the header name of
// a direct URL, and every line kind as the parse turns it into candidates.
#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <regex>

#include "net/http_client.h"
#include "share/share_import.h"
#include "share_support.h"
#include "util/json_doc.h"

namespace quarrow::testing {
namespace {

using share::FoundFile;

class ShareImportTest : public ShareTest {};

TEST_F(ShareImportTest, FolderListingAsksTheEndpointWithThePageValues) {
  test::FolderInfo folder = server().create_folder(account(), "资料");
  share_file("a.txt", std::string(532, 'a'), {}, folder.id);
  share_file("图片.png", std::string(1536, 'b'), {}, folder.id);
  share_file("c.bin", "c", {}, folder.id);
  server().clear_request_log();

  util::JsonDoc doc;
  ASSERT_TRUE(doc.parse(share::list_share_folder(gbk(link_of(folder)), "")));
  ASSERT_EQ(doc.count("text"), 3);
  EXPECT_EQ(u8(doc.get_text("text[1]['name_all']")), "图片.png");
  EXPECT_EQ(u8(doc.get_text("text[1].size")), "1.5 K");

  auto log = server().request_log(test::Host::share);
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].method, "GET");
  EXPECT_EQ(log[0].target, "/" + folder.key);
  EXPECT_EQ(log[1].method, "POST");
  EXPECT_EQ(log[1].target, "/folderlist.php");
  for (const auto& r : log) EXPECT_EQ(r.header("User-Agent").value_or(""), std::string(net::kDiskHostHeader).substr(12));
  EXPECT_EQ(log[1].header("Content-Type").value_or(""), "application/x-www-form-urlencoded");
  const std::regex body("lx=2&fid=" + std::to_string(folder.id) +
                        "&uid=[0-9]+&pg=1&rep=0&t=[0-9]+&k=[0-9a-f]+&up=1&ls=1&pwd=");
  EXPECT_TRUE(std::regex_match(log[1].body, body)) << log[1].body;
}

TEST_F(ShareImportTest, FolderPasswordTravelsUnencoded) {
  test::FolderInfo folder = server().create_folder(account(), "加密");
  server().set_folder_password(folder.id, true, "88 88");
  share_file("x.txt", "x", {}, folder.id);

  struct Case {
    std::string password;
    int count;
  };
  const Case cases[] = {{"88 88", 1}, {"8888", 0}, {"", 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.password);
    server().clear_request_log();
    util::JsonDoc doc;
    doc.parse(share::list_share_folder(gbk(link_of(folder)), gbk(c.password)));
    EXPECT_EQ(doc.count("text"), c.count);
    auto posts = share_requests("/folderlist.php");
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_TRUE(posts[0].body.ends_with("&pwd=" + c.password)) << posts[0].body;
  }
}

// A page that names no endpoint leaves every value empty; the listing request
// goes to the share host itself and finds no files there.
TEST_F(ShareImportTest, FolderPageWithoutEndpointStillAsksTheShareHost) {
  const std::string links[] = {share_url() + "/bnosuchfolder",
                               "http://127.0.0.1:" + std::to_string(closed_port()) + "/b1"};
  for (const std::string& link : links) {
    SCOPED_TRACE(link);
    server().clear_request_log();
    util::JsonDoc doc;
    doc.parse(share::list_share_folder(gbk(link), gbk("口令")));
    EXPECT_EQ(doc.count("text"), 0);
    std::vector<test::LoggedRequest> posts;
    for (auto& r : server().request_log(test::Host::share))
      if (r.method == "POST") posts.push_back(std::move(r));
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].target, "/");
    EXPECT_EQ(posts[0].body, "lx=&fid=&uid=&pg=&rep=&t=&k=&up=&ls=&pwd=口令");  // sent in UTF-8
  }
}

TEST_F(ShareImportTest, HeaderFileName) {
  test::FileInfo report = share_file("report.pdf", "%PDF");
  test::FileInfo chinese = share_file("年度报告.pdf", "%PDF");
  struct Case {
    std::string url, name;
  };
  const Case cases[] = {
      {direct_of(report), "report.pdf"},
      {direct_of(chinese), "年度报告.pdf"},
      {share_url() + "/pub/data.zip", ""},  // answered without Content-Disposition
      {"http://127.0.0.1:" + std::to_string(closed_port()) + "/a.zip", ""},
      {direct_of(report).substr(std::string("http://").size()), ""},  // no scheme: not opened at all
      {"", ""},
  };
  server().clear_request_log();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    EXPECT_EQ(u8(share::header_file_name(gbk(c.url))), c.name);
  }
  EXPECT_EQ(share_requests("/dl/").size(), 2u);
}

TEST_F(ShareImportTest, HeaderFileNameFollowsRedirectsAndLeavesTheBody) {
  const uint64_t size = 64ull << 20;
  test::FileInfo big = server().create_generated_file(account(), "big.iso", size, test::Pattern::sparse);
  const std::string direct = direct_of(big);
  CannedServer redirect("HTTP/1.1 302 Found\r\nLocation: " + direct + "\r\nContent-Length: 0\r\n\r\n");
  server().reset_stats();
  server().clear_request_log();

  EXPECT_EQ(u8(share::header_file_name(gbk(redirect.url("/get?id=1")))), "big.iso");
  EXPECT_NE(redirect.request().find("GET /get?id=1 "), std::string::npos);
  auto gets = share_requests("/dl/");
  ASSERT_EQ(gets.size(), 1u);
  EXPECT_EQ(gets[0].method, "GET");
  EXPECT_LT(server().stats().file_bytes_sent, size / 2);
}

// The candidates of a pasted text, as "解析" and quarrow-cli import see them.
TEST_F(ShareImportTest, DirectUrlNames) {
  test::FileInfo report = share_file("report.pdf", "%PDF-1.4");
  const std::string dl = direct_of(report);
  struct Case {
    std::string line, name, type, target;
  };
  const Case cases[] = {
      {dl, "report.pdf", ".pdf", dl.substr(share_url().size())},
      {share_url() + "/pub/data.tar.gz?sig=a/b", "data.tar.gz", ".gz", "/pub/data.tar.gz?sig=a/b"},
      {share_url() + "/pub/月报/", "月报", "", ""},
      {share_url() + "/pub/x.txt.ke", "x.txt", ".txt", "/pub/x.txt.ke"},  // smart ke on
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    server().clear_request_log();
    std::vector<FoundFile> rows = share::parse_share_text(gbk(c.line), true);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(u8(rows[0].name), c.name);
    EXPECT_EQ(u8(rows[0].type), c.type);
    EXPECT_EQ(u8(rows[0].size), "未知");
    EXPECT_EQ(rows[0].link, "");
    EXPECT_EQ(rows[0].password, "");
    EXPECT_EQ(u8(rows[0].direct), c.line);
    auto log = server().request_log(test::Host::share);
    ASSERT_EQ(log.size(), 1u);  // one GET per direct URL
    if (!c.target.empty()) {
      EXPECT_EQ(log[0].target, c.target);
    }
  }
}

TEST_F(ShareImportTest, DirectUrlWithoutAnyNameGetsATimestampName) {
  std::vector<FoundFile> rows = share::parse_share_text(gbk(share_url() + "/pub/a//"), false);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_TRUE(std::regex_match(u8(rows[0].name), std::regex("未知文件[0-9]{13,}"))) << u8(rows[0].name);
  EXPECT_EQ(rows[0].type, "");
}

TEST_F(ShareImportTest, SingleFileLinksEachWithTheirOwnAnswer) {
  test::FileInfo open = share_file("first.txt", "one");
  test::FileInfo locked = share_file("second.bin", "two", "pw1");
  test::FileInfo wrong = share_file("third.bin", "three", "right");
  const std::string pasted = link_of(open) + "\n" + link_of(locked) + "\n密码:pw1\n\n" + link_of(wrong) +
                             "密码:bad\n" + share_url() + "/inosuchshare";
  server().clear_request_log();
  std::vector<FoundFile> rows = share::parse_share_text(gbk(pasted), false);
  ASSERT_EQ(rows.size(), 4u);

  EXPECT_EQ(u8(rows[0].name), "first.txt");
  EXPECT_EQ(u8(rows[0].size), "3 B");
  EXPECT_EQ(u8(rows[0].link), link_of(open));
  EXPECT_EQ(rows[0].password, "");
  EXPECT_EQ(u8(rows[0].direct), direct_of(open));

  EXPECT_EQ(u8(rows[1].name), "second.bin");  // from its own answer, not the first row's
  EXPECT_EQ(u8(rows[1].type), ".bin");
  EXPECT_EQ(u8(rows[1].link), link_of(locked));
  EXPECT_EQ(u8(rows[1].password), "pw1");
  EXPECT_EQ(u8(rows[1].direct), direct_of(locked, "pw1"));

  // Failures still give rows, with what was found.
  EXPECT_EQ(u8(rows[2].name), "密码不正确");
  EXPECT_EQ(u8(rows[2].password), "bad");
  EXPECT_EQ(rows[2].direct, "");
  EXPECT_EQ(rows[3].name, "");
  EXPECT_EQ(rows[3].size, "");
  EXPECT_EQ(rows[3].direct, "");
}

// Only "密码:" with an ASCII colon marks a password: written with a full-width
// colon it stays part of the line, on the link's line or as a line of its own.
TEST_F(ShareImportTest, AFullWidthColonMarksNoPassword) {
  test::FileInfo locked = share_file("locked.bin", "locked", "pw");
  struct Row {
    std::optional<std::string> name;
    std::string link, password;
    std::optional<std::string> direct;  // unset: whatever the service made of the odd link
  };
  struct Case {
    std::string pasted;
    std::vector<Row> rows;
  };
  const Case cases[] = {
      {link_of(locked) + "\n密码：pw", {{{}, link_of(locked), "", ""}, {"密码：pw", "", "", "密码：pw"}}},
      {link_of(locked) + " 密码：pw", {{{}, link_of(locked) + " 密码：pw", "", {}}}},
      {link_of(locked) + "\n密码:pw", {{"locked.bin", link_of(locked), "pw", direct_of(locked, "pw")}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pasted);
    std::vector<FoundFile> rows = share::parse_share_text(gbk(c.pasted), false);
    ASSERT_EQ(rows.size(), c.rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
      const Row& want = c.rows[i];
      if (want.name) {
        EXPECT_EQ(u8(rows[i].name), *want.name);
      }
      EXPECT_EQ(u8(rows[i].link), want.link);
      EXPECT_EQ(u8(rows[i].password), want.password);
      if (want.direct) {
        EXPECT_EQ(u8(rows[i].direct), *want.direct);
      }
    }
  }
}

TEST_F(ShareImportTest, FolderLinkGivesARowPerFile) {
  test::FolderInfo folder = server().create_folder(account(), "三个文件");
  test::FileInfo a = share_file("a.txt", std::string(532, 'a'), {}, folder.id);
  test::FileInfo b = server().create_generated_file(account(), "b.mkv.ke", 3565158, test::Pattern::sparse, folder.id);
  test::FileInfo c = share_file("c", std::string(2048, 'c'), {}, folder.id);
  server().set_folder_password(folder.id, true, "8888");
  server().clear_request_log();

  std::vector<FoundFile> rows = share::parse_share_text(gbk(link_of(folder) + "密码:8888"), true);
  ASSERT_EQ(rows.size(), 3u);
  struct Want {
    const test::FileInfo& file;
    std::string name, type, size;
  };
  const Want wants[] = {{a, "a.txt", ".txt", "532 B"}, {b, "b.mkv", ".mkv", "3.4 M"}, {c, "c", "", "2.0 K"}};
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(wants[i].name);
    EXPECT_EQ(u8(rows[i].name), wants[i].name);
    EXPECT_EQ(u8(rows[i].type), wants[i].type);
    EXPECT_EQ(u8(rows[i].size), wants[i].size);
    EXPECT_EQ(u8(rows[i].link), "http://" + share_url().substr(7) + "/" + wants[i].file.key);
    EXPECT_EQ(rows[i].password, "");
    EXPECT_EQ(u8(rows[i].direct), direct_of(wants[i].file));
  }
  auto posts = share_requests("/folderlist.php");
  ASSERT_EQ(posts.size(), 1u);  // only the first listing page
  EXPECT_TRUE(posts[0].body.ends_with("&pwd=8888"));
}

TEST_F(ShareImportTest, CancelledParseMakesNoFurtherRequests) {
  test::FileInfo first = share_file("one.txt", "1");
  test::FileInfo second = share_file("two.txt", "2");
  std::atomic<bool> cancel{false};
  net::CancelScope scope(&cancel);
  server().clear_request_log();
  int found = 0;
  share::parse_share_text(gbk(link_of(first) + "\n" + link_of(second)), false, [&](const FoundFile&) {
    ++found;
    cancel = true;  // as when the window is closed during the parse
  });
  EXPECT_EQ(found, 1);
  EXPECT_FALSE(share_requests("/" + first.key).empty());
  EXPECT_TRUE(share_requests("/" + second.key).empty());
}

}  // namespace
}  // namespace quarrow::testing
