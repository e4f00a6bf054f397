#include <gtest/gtest.h>

#include "disk/disk_ops.h"
#include "disk/listing.h"
#include "e2e_fixture.h"
#include "shell/config_store.h"
#include "shell/scramble.h"
#include "shell/session.h"
#include "util/codepage.h"
#include "util/json_doc.h"
#include "util/text_codec.h"

namespace quarrow::testing {
namespace {

using util::JsonDoc;

class DiskTest : public E2eTest {
 protected:
  // The bodies of the task requests in the log, in order.
  std::vector<std::string> task_bodies() {
    std::vector<std::string> bodies;
    for (const auto& r : server().request_log(test::Host::disk))
      if (r.target == "/doupload.php") bodies.push_back(r.body);
    return bodies;
  }
  static std::string utf8(const Text& text) { return util::gbk_to_utf8(text); }
  static Text gbk(const std::string& text) { return util::utf8_to_gbk(text); }
};

TEST_F(DiskTest, LogInResults) {
  std::string account;
  new_user("login", &account, "right-pass");
  struct Case {
    std::string account, password;
    Text message;
  };
  const Case cases[] = {
      {account, "right-pass", "登录成功，欢迎您回来："_t + account},
      {"nobody-registered", "x", "该用户名未注册。"_t},
      {account, "wrong-pass", "用户密码不正确，长度请在6-20位之间。"_t},
      {"", "", "用户名或密码错误。"_t},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.account + "/" + c.password);
    shell::set_cookie_text("stale=1");
    shell::LoginResult result = shell::log_in(gbk(c.account), gbk(c.password));
    EXPECT_EQ(result.message, c.message);
    // The cookies the answer set replace the log-in cookie, also on failure.
    EXPECT_NE(result.cookies.find("PHPSESSID="), std::string::npos);
    EXPECT_EQ(shell::cookie_text(), result.cookies);
  }

  net::set_endpoints("http://127.0.0.1:1", share_url());
  EXPECT_EQ(shell::log_in("a", "b").message, "无法连接服务器，请检查网络后重试。"_t);
}

TEST_F(DiskTest, TypedValuesReachTheServiceAsTyped) {
  const std::string account = "a&b=c+d%e 中";
  server().create_account(account, "p&w=1+2%3");
  shell::LoginResult result = shell::log_in(gbk(account), "p&w=1+2%3");
  EXPECT_TRUE(shell::login_succeeded(result)) << utf8(result.message);
  auto log = server().request_log(test::Host::disk);
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back().body,
            "action=login&task=login&ref=%2Fmydisk.php&formhash=3e9b7c42&username=a%26b%3Dc%2Bd%25e%20%E4%B8%AD"
            "&password=p%26w%3D1%2B2%253");
}

TEST_F(DiskTest, RememberAndForgetTheLogIn) {
  shell::remember_login("demo", "secret", "sid=1", true);
  EXPECT_EQ(shell::config_read("配置"_t, "记住密码"_t), "真"_t);
  EXPECT_EQ(shell::config_read("配置"_t, "账号"_t), "demo");
  EXPECT_EQ(shell::unscramble_text(shell::config_read("配置"_t, "密码"_t)), "secret");
  EXPECT_EQ(shell::unscramble_text(shell::config_read("配置"_t, "ck")), "sid=1");
  EXPECT_EQ(shell::account_name(), "demo");

  shell::remember_login("demo", "secret", "sid=2", false);
  EXPECT_EQ(shell::config_read("配置"_t, "记住密码"_t), "假"_t);
  EXPECT_EQ(shell::config_read("配置"_t, "密码"_t, "absent"), "");
  EXPECT_EQ(shell::config_read("配置"_t, "ck", "absent"), "absent");
}

TEST_F(DiskTest, CookieCheck) {
  std::string account;
  Text cookie = new_user("check", &account);
  shell::CookieCheck live = shell::check_cookie(cookie);
  EXPECT_TRUE(shell::check_succeeded(live));
  EXPECT_EQ(live.message, "登录成功，欢迎回来："_t + account);
  EXPECT_EQ(live.account, account);
  EXPECT_EQ(shell::cookie_text(), cookie);

  server().expire_sessions(account);
  shell::CookieCheck expired = shell::check_cookie(cookie);
  EXPECT_FALSE(shell::check_succeeded(expired));
  EXPECT_TRUE(expired.answered);
  EXPECT_EQ(expired.message, "登录失败，cookie过期。"_t);

  net::set_endpoints("http://127.0.0.1:1", share_url());
  shell::CookieCheck offline = shell::check_cookie(cookie);
  EXPECT_FALSE(shell::check_succeeded(offline));
  EXPECT_FALSE(offline.answered);
}

TEST_F(DiskTest, TaskRequestBodies) {
  log_in_new_user("bodies");
  struct Case {
    std::function<Text()> call;
    std::string body;
  };
  const Case cases[] = {
      {[] { return disk::create_folder("123", "新 a"_t, ""); },
       "task=2&parent_id=123&folder_name=%E6%96%B0%20a&folder_description="},
      {[] { return disk::delete_folder("7"); }, "task=3&folder_id=7"},
      {[] { return disk::edit_folder("9", Text("x_y"), Text()); },
       "task=4&folder_id=9&folder_name=x%5Fy&folder_description="},
      {[] { return disk::delete_file("8"); }, "task=6&file_id=8"},
      {[] { return disk::set_file_description("5", "a b&c=d"); }, "task=11&file_id=5&desc=a%20b%26c%3Dd"},
      {[] { return disk::get_file_info("5"); }, "task=12&file_id=5"},
      {[] { return disk::set_folder_password("9", Text("1"), Text("p+w")); },
       "task=16&folder_id=9&shows=1&shownames=p%2Bw"},
      {[] { return disk::get_folder_info("9"); }, "task=18&folder_id=9"},
      {[] { return disk::get_file_share_info("5"); }, "task=22&file_id=5"},
      {[] { return disk::set_file_password("5", "1", "p&w%"); }, "task=23&file_id=5&shows=1&shownames=p%26w%25"},
      {[] { return disk::set_file_password("5", "0", ""); }, "task=23&file_id=5&shows=0&shownames="},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.body);
    server().clear_request_log();
    c.call();
    auto log = server().request_log();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].method, "POST");
    EXPECT_EQ(log[0].target, "/doupload.php");
    EXPECT_EQ(log[0].body, c.body);
    EXPECT_EQ(log[0].header("Cookie"), shell::cookie_text());
    EXPECT_EQ(log[0].header("User-Agent"), std::string(net::kDiskHostHeader).substr(12));
  }
}

TEST_F(DiskTest, MissingValuesAreLookedUpFirst) {
  std::string account = log_in_new_user("lookup");
  auto folder = server().create_folder(account, "旧名", -1, "旧说明");
  server().set_folder_password(folder.id, true, "pw1");
  Text id = std::to_string(folder.id);

  disk::edit_folder(id, std::nullopt, "新说明"_t);
  disk::set_folder_password(id, Text("0"), std::nullopt);
  EXPECT_EQ(task_bodies(), (std::vector<std::string>{
                               "task=18&folder_id=" + id,
                               "task=4&folder_id=" + id + "&folder_name=%E6%97%A7%E5%90%8D&folder_description=%E6%96%B0%E8%AF%B4%E6%98%8E",
                               "task=18&folder_id=" + id,
                               "task=16&folder_id=" + id + "&shows=0&shownames=pw1",
                           }));
  auto changed = server().folder(folder.id);
  ASSERT_TRUE(changed);
  EXPECT_EQ(changed->name, "旧名");
  EXPECT_EQ(changed->des, "新说明");
  EXPECT_FALSE(changed->onof);
}

TEST_F(DiskTest, ListingPagesThroughEveryFilePage) {
  std::string account = log_in_new_user("pages");
  server().set_page_size(2);
  for (int i = 1; i <= 5; ++i) server().create_file(account, "f" + std::to_string(i) + ".txt", "x");
  Text files = disk::list_files("");
  server().set_page_size(20);

  EXPECT_EQ(task_bodies(), (std::vector<std::string>{"task=5&folder_id=-1&pg=1", "task=5&folder_id=-1&pg=2",
                                                     "task=5&folder_id=-1&pg=3", "task=5&folder_id=-1&pg=4"}));
  JsonDoc doc;
  ASSERT_TRUE(doc.parse(files));
  EXPECT_EQ(doc.get_text("FileNum"), "5");
  for (int i = 0; i < 5; ++i)
    EXPECT_EQ(doc.get_text("FileList[" + std::to_string(i) + "].name_all"), "f" + std::to_string(i + 1) + ".txt");
  std::vector<Text> keys;
  doc.get_object("FileList[0]").keys("", keys);
  EXPECT_EQ(keys, (std::vector<Text>{"id", "name_all", "size", "time", "des"}));
}

TEST_F(DiskTest, AnEmptyFolderAsksForOnePage) {
  std::string account = log_in_new_user("empty");
  auto folder = server().create_folder(account, "空");
  Text id = std::to_string(folder.id);
  disk::FolderListing listing = disk::list_folder(id);
  EXPECT_EQ(listing.state, disk::PageState::kLoggedIn);
  EXPECT_EQ(listing.folders, "{\"user\":\"" + account + "\",\"FolderNum\":\"0\",\"FolderList\":[]}");
  EXPECT_EQ(listing.files, "{\"FileNum\":\"0\",\"FileList\":[]}");
  EXPECT_EQ(task_bodies(), (std::vector<std::string>{"task=5&folder_id=" + id + "&pg=1"}));
}

TEST_F(DiskTest, HostileNamesComeBackWhole) {
  std::string account = log_in_new_user("hostile");
  const std::vector<std::string> folder_names = {"A&B", "it's", "back\\slash\\", "<b>bold</b>", "a\\nb", "😀 表情"};
  const std::vector<std::string> file_names = {"it's.txt", "a\\b.txt", "two\r\nlines.txt", "quote\".txt",
                                               "trail\\", "😀.zip", "%u4E2D.txt"};
  for (const auto& name : folder_names) server().create_folder(account, name);
  for (const auto& name : file_names) server().create_file(account, name, "x");

  disk::FolderListing listing = disk::list_folder("-1");
  JsonDoc folders, files;
  ASSERT_TRUE(folders.parse(listing.folders)) << utf8(listing.folders);
  ASSERT_TRUE(files.parse(listing.files)) << utf8(listing.files);
  ASSERT_EQ(folders.count("FolderList"), static_cast<int>(folder_names.size()));
  for (size_t i = 0; i < folder_names.size(); ++i)
    EXPECT_EQ(utf8(folders.get_text("FolderList[" + std::to_string(i) + "].name")), folder_names[i]);
  ASSERT_EQ(files.count("FileList"), static_cast<int>(file_names.size()));
  for (size_t i = 0; i < file_names.size(); ++i)
    EXPECT_EQ(utf8(files.get_text("FileList[" + std::to_string(i) + "].name_all")), file_names[i]);
}

TEST_F(DiskTest, FolderMembersInOrderAndConcurrentEqualsSequential) {
  std::string account = log_in_new_user("members");
  for (int i = 0; i < 20; ++i) {
    auto f = server().create_folder(account, "目录 " + std::to_string(i), -1, "说明 " + std::to_string(i) + " it's");
    if (i % 3 == 0) server().set_folder_password(f.id, true, "pw" + std::to_string(i));
  }
  server().create_file(account, "a.txt", "abc");
  disk::FolderListing concurrent = disk::list_folder("-1");
  disk::FolderListing sequential = disk::list_folder_sequentially("-1");
  EXPECT_EQ(concurrent.folders, sequential.folders);
  EXPECT_EQ(concurrent.files, sequential.files);

  JsonDoc doc;
  ASSERT_TRUE(doc.parse(concurrent.folders));
  EXPECT_EQ(doc.get_text("FolderNum"), "20");
  std::vector<Text> keys;
  doc.get_object("FolderList[0]").keys("", keys);
  EXPECT_EQ(keys, (std::vector<Text>{"id", "name", "des", "pwd", "onof", "url"}));
  EXPECT_EQ(utf8(doc.get_text("FolderList[3].name")), "目录 3");
  // A description is kept as its script-escaped form decodes: ASCII punctuation stays escaped.
  EXPECT_EQ(utf8(doc.get_text("FolderList[3].des")), "说明%203%20it's");
  EXPECT_EQ(doc.get_text("FolderList[3].pwd"), "pw3");
  EXPECT_EQ(doc.get_text("FolderList[3].onof"), "1");
  EXPECT_EQ(doc.get_text("FolderList[3].url").rfind(share_url() + "/b", 0), 0u);
}

TEST_F(DiskTest, ListingTellsAnExpiredSessionFromAnUnreachableService) {
  std::string account = log_in_new_user("expiry");
  server().expire_sessions(account);
  EXPECT_EQ(disk::list_folder("-1").state, disk::PageState::kLoggedOut);
  net::set_endpoints("http://127.0.0.1:1", share_url());
  disk::FolderListing offline = disk::list_folder("-1");
  EXPECT_EQ(offline.state, disk::PageState::kUnreachable);
  EXPECT_EQ(offline.files, "{\"FileNum\":\"0\",\"FileList\":[]}");
}

}  // namespace
}  // namespace quarrow::testing
