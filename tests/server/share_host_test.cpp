// The share host: both kinds of single-file page through to the bytes, ranges,
// and folder shares with their listing.
#include "server_fixture.h"
#include "test_helpers.h"

namespace quarrow::test {
namespace {

class ShareHost : public ServerFixture {};

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST_F(ShareHost, FramePageLeadsToTheFileBytes) {
  std::string user;
  new_user("frame", &user);
  const FileInfo file = server().create_generated_file(user, "报告 2024.pdf", 300000);
  Resolved r = resolve_share_link(share_url(), share_url() + "/" + file.key, "");
  EXPECT_EQ(r.name, "报告 2024.pdf");
  EXPECT_EQ(r.size, "293.0 K");
  EXPECT_EQ(r.zt, "1");
  ASSERT_FALSE(r.direct.empty());

  HttpReply body = http(r.direct);
  EXPECT_EQ(body.status, 200);
  EXPECT_EQ(body.header("Content-Length"), "300000");
  EXPECT_EQ(cut(body.header("Content-Disposition").value_or(""), "filename=\"", "\""), "报告 2024.pdf");
  EXPECT_EQ(sha256_hex(body.body), sha256_hex(generated_bytes(Pattern::dense, 0, 300000)));
  EXPECT_EQ(server().stats().file_bytes_sent, 300000u);
}

TEST_F(ShareHost, PasswordPageOpensOnlyWithThePassword) {
  std::string user;
  new_user("pwd", &user);
  const FileInfo file = server().create_generated_file(user, "secret.zip", 5000);
  server().set_file_password(file.id, true, "8f3k");
  const std::string link = share_url() + "/" + file.key;
  const std::string page = http(link).body;
  EXPECT_FALSE(contains(page, "src=\"/fn"));
  EXPECT_EQ(cut(page, "大小：", "<"), "4.9 K");

  struct Case {
    std::string password, zt;
    bool message;
  };
  const Case cases[] = {{"", "0", true}, {"wrong", "0", true}, {"8f3k", "1", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.password);
    Resolved r = resolve_share_link(share_url(), link, c.password);
    EXPECT_EQ(r.zt, c.zt);
    if (c.message) {
      EXPECT_FALSE(r.inf.empty());
      EXPECT_TRUE(r.direct.empty());
    } else {
      EXPECT_EQ(r.inf, "secret.zip");
      EXPECT_EQ(http(r.direct).body, generated_bytes(Pattern::dense, 0, 5000));
    }
  }
}

TEST_F(ShareHost, RangeRequestsAnswerPartialContent) {
  std::string user;
  new_user("range", &user);
  const FileInfo file = server().create_generated_file(user, "r.zip", 10000);
  const std::string direct = resolve_share_link(share_url(), share_url() + "/" + file.key, "").direct;
  ASSERT_FALSE(direct.empty());
  struct Case {
    std::string range_line;
    long status;
    std::string content_range;
    uint64_t offset, length;
  };
  const Case cases[] = {
      {"Range: bytes=100-", 206, "bytes 100-9999/10000", 100, 9900},
      {"Range:bytes=100-", 206, "bytes 100-9999/10000", 100, 9900},  // as the resuming client writes it
      {"Range: bytes=100-199", 206, "bytes 100-199/10000", 100, 100},
      {"Range: bytes=-500", 206, "bytes 9500-9999/10000", 9500, 500},
      {"Range: bytes=9999-20000", 206, "bytes 9999-9999/10000", 9999, 1},
      {"Range: bytes=10000-", 416, "bytes */10000", 0, 0},
      {"Range: bytes=5-1", 200, "", 0, 10000},
      {"Range: bytes=1-2,5-6", 200, "", 0, 10000},
      {"Range: items=1-2", 200, "", 0, 10000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.range_line);
    HttpCall call;
    call.headers = {c.range_line};
    HttpReply r = http(direct, call);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.header("Content-Range").value_or(""), c.content_range);
    if (c.status != 416) {
      EXPECT_EQ(r.body, generated_bytes(Pattern::dense, c.offset, c.length));
    }
  }
  std::vector<LoggedRequest> downloads;
  for (auto& e : server().request_log(Host::share))
    if (e.target.rfind("/dl/", 0) == 0) downloads.push_back(e);
  ASSERT_EQ(downloads.size(), std::size(cases));
  EXPECT_EQ(downloads[1].header_lines.back(), "Range:bytes=100-");
}

TEST_F(ShareHost, SparseFileBeyond2GiBIsServedByRange) {
  std::string user;
  new_user("big", &user);
  const uint64_t size = (2ull << 30) + 3 * 1024 * 1024 + 5;
  const FileInfo file = server().create_generated_file(user, "big.iso", size, Pattern::sparse);
  EXPECT_EQ(file.size, size);
  const std::string direct = resolve_share_link(share_url(), share_url() + "/" + file.key, "").direct;
  ASSERT_FALSE(direct.empty());
  HttpCall head;
  head.method = "HEAD";
  EXPECT_EQ(http(direct, head).header("Content-Length"), std::to_string(size));
  for (uint64_t offset : {uint64_t{2ull << 30} - 8, uint64_t{2ull << 30} + 2 * 1024 * 1024 - 4, size - 3}) {
    SCOPED_TRACE(offset);
    HttpCall call;
    call.headers = {"Range: bytes=" + std::to_string(offset) + "-" + std::to_string(offset + 31)};
    HttpReply r = http(direct, call);
    EXPECT_EQ(r.status, 206);
    EXPECT_EQ(r.body, generated_bytes(Pattern::sparse, offset, static_cast<size_t>(std::min<uint64_t>(32, size - offset))));
  }
}

// The folder page's script values and the listing request, as the share import reads them.
JsonValue list_folder(const std::string& share_base, const std::string& link, const std::string& password,
                      bool tamper = false) {
  const std::string page = http(link).body;
  const std::string pg_name = cut(page, "'pg':", ",");
  const std::string t_name = cut(page, "'t':", ",");
  const std::string k_name = cut(page, "'k':", ",");
  std::string k = cut(page, k_name + " = '", "'");
  if (tamper) k += "0";
  const std::string body = "lx=" + cut(page, "'lx':", ",") + "&fid=" + cut(page, "'fid':", ",") +
                           "&uid=" + cut(page, "'uid':'", "'") + "&pg=" + cut(page, pg_name + " =", ";") +
                           "&rep=" + cut(page, "'rep':'", "'") + "&t=" + cut(page, t_name + " = '", "'") + "&k=" + k +
                           "&up=" + cut(page, "'up':", ",") + "&ls=" + cut(page, "'ls':", ",") + "&pwd=" + password;
  return JsonValue::parse(http_post(share_base + cut(page, "url : '", "'"), body).body).value_or(JsonValue());
}

TEST_F(ShareHost, FolderShareListsItsFilesThroughTheScriptValues) {
  std::string user;
  new_user("fshare", &user);
  const FolderInfo folder = server().create_folder(user, "共享");
  const std::string names[] = {"一.txt", "two.zip", "三 3.exe"};
  for (const auto& n : names) server().create_generated_file(user, n, 2048, Pattern::dense, folder.id);
  const std::string link = share_url() + "/" + folder.key;

  JsonValue open = list_folder(share_url(), link, "");
  ASSERT_EQ(open["text"].size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(names[i]);
    const JsonValue& entry = open["text"][i];
    EXPECT_EQ(entry["name_all"].str(), names[i]);
    EXPECT_EQ(entry["size"].str(), "2.0 K");
    // Each entry's id makes a single-file share link.
    Resolved r = resolve_share_link(share_url(), share_url() + "/" + entry["id"].str(), "");
    EXPECT_EQ(r.name, names[i]);
    EXPECT_EQ(http(r.direct).body, generated_bytes(Pattern::dense, 0, 2048));
  }

  server().set_folder_password(folder.id, true, "p9");
  struct Case {
    std::string password;
    bool tamper;
    size_t entries;
  };
  const Case cases[] = {{"", false, 0}, {"p8", false, 0}, {"p9", true, 0}, {"p9", false, 3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.password + (c.tamper ? " (k changed)" : ""));
    JsonValue v = list_folder(share_url(), link, c.password, c.tamper);
    EXPECT_EQ(v["text"].size(), c.entries);
    if (c.entries == 0) {
      EXPECT_FALSE(v.has("text"));
      EXPECT_FALSE(v["info"].str().empty());
    }
  }
}

TEST_F(ShareHost, ReleasePageIsAFolderSharePage) {
  const std::string page = http(share_url() + "/bquarrow").body;
  EXPECT_TRUE(contains(page, "'fid':"));
  EXPECT_EQ(cut(page, "url : '", "'"), "/folderlist.php");
  EXPECT_EQ(http(share_url() + "/bnothing").status, 404);
}

}  // namespace
}  // namespace quarrow::test
