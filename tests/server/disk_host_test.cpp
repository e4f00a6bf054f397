// The disk host as the client meets it: log-in, cookie check, folder page,
// file pages, task requests and uploads.
#include <fstream>
#include <sstream>

#include "server_fixture.h"
#include "test_helpers.h"

namespace quarrow::test {
namespace {

class DiskHost : public ServerFixture {
 protected:
  static HttpReply task(const std::string& body, const std::string& cookie) {
    return http_post(disk_url() + "/doupload.php", body, cookie);
  }
  static JsonValue task_json(const std::string& body, const std::string& cookie) {
    HttpReply r = task(body, cookie);
    auto v = JsonValue::parse(r.body);
    EXPECT_TRUE(v) << "not JSON: " << r.body;
    return v.value_or(JsonValue());
  }
  static std::string folder_page(int64_t id, const std::string& cookie) {
    HttpCall call;
    call.cookie = cookie;
    return http(disk_url() + "/mydisk.php?item=files&action=index&folder_node=0&folder_id=" + std::to_string(id), call)
        .body;
  }
  static bool logged_in(const std::string& cookie) {
    HttpCall call;
    call.cookie = cookie;
    return http(disk_url() + "/mydisk.php", call).body.find("退出") != std::string::npos;
  }
};

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST_F(DiskHost, LogInAnswersEachOutcomeWithItsMarker) {
  std::string user;
  new_user("login", &user, "a b%c");
  const std::string markers[] = {"登录成功，欢迎您回来。", "该用户名未注册。", "用户密码不正确，长度请在6-20位之间。"};
  struct Case {
    std::string user, password, marker;
  };
  const Case cases[] = {
      {user, "a+b%25c", markers[0]},  // form decoding: "+" is a space, %25 a percent sign
      {user, "a b%c", markers[0]},    // a "%" without two hex digits stays
      {"nobody-here", "whatever", markers[1]},
      {user, "a b", markers[2]},
      {"", "", ""},  // none of the markers: the client falls back to its own message
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.user + " / " + c.password);
    HttpReply r = http_post(disk_url() + "/account.php", login_body(c.user, c.password));
    ASSERT_EQ(r.status, 200);
    for (const auto& m : markers) EXPECT_EQ(contains(r.body, m), m == c.marker) << m;
    // Every answer sets a cookie; only a success sets a live session.
    EXPECT_TRUE(contains(r.cookies(), "PHPSESSID="));
    EXPECT_EQ(logged_in(r.cookies()), c.marker == markers[0]);
  }
}

TEST_F(DiskHost, CookieCheckPageNamesTheAccountOnlyForALiveSession) {
  std::string user;
  const std::string cookie = new_user("check", &user);
  HttpCall call;
  call.cookie = cookie;
  const std::string page = http(disk_url() + "/mydisk.php", call).body;
  EXPECT_TRUE(contains(page, "退出"));
  EXPECT_EQ(cut(page, "account.php?action=logout&", "\""), user);

  EXPECT_FALSE(logged_in(""));
  EXPECT_FALSE(logged_in("qr_sid=0123456789abcdef"));
  server().expire_sessions(user);
  EXPECT_FALSE(logged_in(cookie));
}

TEST_F(DiskHost, LogOutEndsTheCookiesSessionElseEverySessionOfTheAccount) {
  std::string user;
  const std::string first = new_user("logout", &user);
  const std::string second = server().create_session(user);
  const std::string url = disk_url() + "/account.php?action=logout&" + user;

  HttpCall with_cookie;
  with_cookie.cookie = first;
  HttpReply r = http(url, with_cookie);
  EXPECT_TRUE(contains(r.cookies(), "qr_sid=deleted"));
  EXPECT_FALSE(logged_in(first));
  EXPECT_TRUE(logged_in(second));

  http(url);  // as the client sends it: no cookie
  EXPECT_FALSE(logged_in(second));
}

TEST_F(DiskHost, FolderPageCarriesTheFolderPiecesTheClientCuts) {
  std::string user;
  const std::string cookie = new_user("folders", &user);
  struct Case {
    std::string name, des, shown;
  };
  const Case cases[] = {
      {"普通文件夹", "", "普通文件夹"},
      {"a&b", "", "a&amp;b"},
      {"<tag>", "", "&lt;tag&gt;"},
      {"q\"uote's", "", "q&quot;uote&#039;s"},
      {"😀 emoji", "folkey(1)</div>", "😀 emoji"},  // a description cannot shadow the id
      {"folkey(7)", "", "folkey(7)"},
  };
  std::vector<int64_t> ids;
  for (const auto& c : cases) ids.push_back(server().create_folder(user, c.name, -1, c.des).id);
  server().create_folder(user, "child", ids[0]);

  const std::string page = folder_page(-1, cookie);
  EXPECT_TRUE(contains(page, "退出"));
  EXPECT_EQ(cut(page, "id=\"f_wringurl\">u/", "<"), user);
  auto pieces = all_between(text_after_last(page, "文件名/夹"), "<a href=\"mydisk.php?item=files&action=index&", "</div>");
  ASSERT_EQ(pieces.size(), std::size(cases));
  for (size_t i = 0; i < pieces.size(); ++i) {
    SCOPED_TRACE(cases[i].name);
    EXPECT_EQ(cut(pieces[i], "&nbsp;", "<"), cases[i].shown);
    EXPECT_EQ(cut(pieces[i], "folkey(", ")"), std::to_string(ids[i]));
  }

  auto child = all_between(text_after_last(folder_page(ids[0], cookie), "文件名/夹"),
                           "<a href=\"mydisk.php?item=files&action=index&", "</div>");
  ASSERT_EQ(child.size(), 1u);
  EXPECT_EQ(cut(child[0], "&nbsp;", "<"), "child");

  const std::string visitor = folder_page(-1, "");
  EXPECT_FALSE(contains(visitor, "退出"));
  EXPECT_FALSE(contains(visitor, "folkey("));
}

TEST_F(DiskHost, FileListPagesThroughTask5) {
  server().set_page_size(3);
  std::string user;
  const std::string cookie = new_user("pages", &user);
  const int64_t folder = server().create_folder(user, "f").id;
  std::vector<std::string> names;
  for (int i = 1; i <= 7; ++i) names.push_back("文件" + std::to_string(i) + ".txt");
  names[6] = "a/b 中.txt";
  std::vector<int64_t> ids;
  for (const auto& n : names) ids.push_back(server().create_file(user, n, "x", folder).id);

  const size_t expected_sizes[] = {3, 3, 1, 0, 0};
  size_t seen = 0;
  for (int pg = 1; pg <= 5; ++pg) {
    SCOPED_TRACE("pg=" + std::to_string(pg));
    HttpReply r = task("task=5&folder_id=" + std::to_string(folder) + "&pg=" + std::to_string(pg), cookie);
    // A PHP service escapes everything outside ASCII and the slash.
    EXPECT_TRUE(std::all_of(r.body.begin(), r.body.end(), [](char c) { return (c & 0x80) == 0; }));
    auto v = JsonValue::parse(r.body);
    ASSERT_TRUE(v);
    EXPECT_TRUE((*v)["zt"].is_number());
    ASSERT_TRUE((*v)["text"].is_array());
    ASSERT_EQ((*v)["text"].size(), expected_sizes[pg - 1]);
    for (const auto& entry : (*v)["text"].items()) {
      EXPECT_EQ(entry["name_all"].str(), names[seen]);
      EXPECT_EQ(entry["id"].str(), std::to_string(ids[seen]));
      EXPECT_EQ(entry["size"].str(), "1 B");
      EXPECT_FALSE(entry["time"].str().empty());
      EXPECT_TRUE(entry.has("is_des"));
      ++seen;
    }
    if (pg == 3) {
      EXPECT_TRUE(contains(r.body, "a\\/b \\u4e2d.txt"));
    }
  }
  EXPECT_EQ(seen, names.size());

  JsonValue visitor = task_json("task=5&folder_id=" + std::to_string(folder) + "&pg=1", "");
  EXPECT_EQ(visitor["text"].size(), 0u);
}

TEST_F(DiskHost, TaskRequestsChangeTheDisk) {
  std::string user;
  const std::string cookie = new_user("tasks", &user);

  JsonValue created = task_json("task=2&parent_id=-1&folder_name=%E6%96%B0%20a&folder_description=d%20e", cookie);
  EXPECT_EQ(created["zt"].num(), 1);
  EXPECT_FALSE(created["info"].str().empty());
  const int64_t folder = std::stoll(created["text"].str());
  auto f = server().folder(folder);
  ASSERT_TRUE(f);
  EXPECT_EQ(f->name, "新 a");
  EXPECT_EQ(f->des, "d e");

  EXPECT_EQ(task_json("task=4&folder_id=" + std::to_string(folder) + "&folder_name=x%5Fy&folder_description=",
                      cookie)["zt"].num(), 1);
  EXPECT_EQ(task_json("task=16&folder_id=" + std::to_string(folder) + "&shows=1&shownames=pw+1%21", cookie)["zt"].num(),
            1);
  JsonValue info = task_json("task=18&folder_id=" + std::to_string(folder), cookie);
  EXPECT_EQ(info["zt"].num(), 1);
  EXPECT_EQ(info["info"]["name"].str(), "x_y");
  EXPECT_EQ(info["info"]["des"].str(), "");
  EXPECT_EQ(info["info"]["pwd"].str(), "pw 1!");
  EXPECT_EQ(info["info"]["onof"].str(), "1");
  EXPECT_EQ(info["info"]["new_url"].str(), share_url() + "/" + server().folder(folder)->key);

  const int64_t file = server().create_file(user, "a.txt", "abc", folder).id;
  const std::string fid = std::to_string(file);
  EXPECT_EQ(task_json("task=11&file_id=" + fid + "&desc=a b", cookie)["zt"].num(), 1);
  JsonValue file_info = task_json("task=12&file_id=" + fid, cookie);
  EXPECT_EQ(file_info["info"].str(), "a b");
  EXPECT_FALSE(file_info["text"].str().empty());
  EXPECT_EQ(task_json("task=23&file_id=" + fid + "&shows=1&shownames=xyz", cookie)["zt"].num(), 1);
  JsonValue share = task_json("task=22&file_id=" + fid, cookie);
  EXPECT_EQ(share["zt"].num(), 1);
  EXPECT_EQ(share["info"]["is_newd"].str(), share_url());
  EXPECT_EQ(share["info"]["f_id"].str(), server().file(file)->key);
  EXPECT_EQ(share["info"]["f_id"].str().substr(0, 1), "i");
  EXPECT_EQ(share["info"]["pwd"].str(), "xyz");
  EXPECT_EQ(share["info"]["onof"].str(), "1");
  EXPECT_EQ(task_json("task=23&file_id=" + fid + "&shows=0&shownames=", cookie)["zt"].num(), 1);
  EXPECT_FALSE(server().file(file)->onof);

  EXPECT_EQ(task_json("task=6&file_id=" + fid, cookie)["zt"].num(), 1);
  EXPECT_TRUE(server().file(file)->deleted);
  EXPECT_EQ(task_json("task=3&folder_id=" + std::to_string(folder), cookie)["zt"].num(), 1);
  EXPECT_TRUE(server().folder(folder)->deleted);
}

TEST_F(DiskHost, TaskRefusalsAnswerAMessage) {
  std::string user, other;
  const std::string cookie = new_user("refuse", &user);
  new_user("other", &other);
  const std::string mine = std::to_string(server().create_folder(user, "mine").id);
  const std::string theirs = std::to_string(server().create_folder(other, "theirs").id);
  struct Case {
    std::string body, cookie;
    int zt;
  };
  const Case cases[] = {
      {"task=2&parent_id=-1&folder_name=&folder_description=", cookie, 0},
      {"task=2&parent_id=" + theirs + "&folder_name=x&folder_description=", cookie, 0},
      {"task=4&folder_id=" + theirs + "&folder_name=x&folder_description=", cookie, 0},
      {"task=16&folder_id=" + mine + "&shows=1&shownames=1234567890123", cookie, 0},
      {"task=16&folder_id=" + mine + "&shows=2&shownames=a", cookie, 0},
      {"task=23&file_id=999999&shows=1&shownames=a", cookie, 0},
      {"task=12&file_id=999999", cookie, 0},
      {"task=18&folder_id=-1", cookie, 0},
      {"task=99", cookie, 0},
      {"task=18&folder_id=" + mine, "", 9},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.body);
    JsonValue v = task_json(c.body, c.cookie);
    EXPECT_TRUE(v["zt"].is_number());
    EXPECT_EQ(v["zt"].num(), c.zt);
    EXPECT_FALSE(v["info"].str().empty());
    EXPECT_TRUE(v["text"].str().empty());
  }
  EXPECT_EQ(server().folder(std::stoll(theirs))->name, "theirs");
}

TEST_F(DiskHost, UploadStoresTheFileUnderTheNameSent) {
  std::string user;
  const std::string cookie = new_user("upload", &user);
  const int64_t folder = server().create_folder(user, "up").id;
  std::string bytes = generated_bytes(Pattern::dense, 0, 70000);
  bytes += "\r\n------WebKitFormBoundaryeGCDJwoQEiqYHen";  // almost a delimiter inside the data
  struct Case {
    std::string name;
    int zt;
  };
  const Case cases[] = {{"测试.txt", 1}, {"photo.JPG.ke", 1}, {"README.*.ke", 1}, {"photo.jpg", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    HttpCall call;
    call.method = "POST";
    call.cookie = cookie;
    call.headers = {kUploadContentType};
    call.body = client_upload_body(std::to_string(folder), c.name, bytes);
    auto v = JsonValue::parse(http(disk_url() + "/fileup.php", call).body);
    ASSERT_TRUE(v);
    EXPECT_EQ((*v)["zt"].num(), c.zt);
    EXPECT_FALSE((*v)["info"].str().empty());
    if (c.zt != 1) continue;
    EXPECT_EQ((*v)["text"][0]["name_all"].str(), c.name);
    auto stored = server().file(std::stoll((*v)["text"][0]["id"].str()));
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->name, c.name);
    EXPECT_EQ(stored->folder, folder);
    std::ifstream in(stored->path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    EXPECT_EQ(sha256_hex(content.str()), sha256_hex(bytes));
  }

  HttpCall anonymous;
  anonymous.method = "POST";
  anonymous.headers = {kUploadContentType};
  anonymous.body = client_upload_body("-1", "x.txt", "x");
  auto v = JsonValue::parse(http(disk_url() + "/fileup.php", anonymous).body);
  ASSERT_TRUE(v);
  EXPECT_EQ((*v)["zt"].num(), 0);
}

TEST_F(DiskHost, RegistrationProfileAndRecycleBinPages) {
  EXPECT_TRUE(contains(http(disk_url() + "/account.php?action=register").body, "name=\"username\""));
  const std::string name = "reg" + std::to_string(::getpid());
  HttpReply reg = http_post(disk_url() + "/account.php", "action=register&username=" + name + "&password=newpass1");
  EXPECT_TRUE(contains(reg.body, "注册成功"));
  HttpReply login = http_post(disk_url() + "/account.php", login_body(name, "newpass1"));
  ASSERT_TRUE(contains(login.body, "登录成功，欢迎您回来。"));
  const std::string cookie = login.cookies();

  const int64_t file = server().create_file(name, "gone.txt", "bye").id;
  task("task=6&file_id=" + std::to_string(file), cookie);
  HttpCall call;
  call.cookie = cookie;
  EXPECT_TRUE(contains(http(disk_url() + "/mydisk.php?item=profile&action=mypower", call).body, name));
  EXPECT_TRUE(contains(http(disk_url() + "/mydisk.php?item=recycle&action=files", call).body, "gone.txt"));
}

}  // namespace
}  // namespace quarrow::test
