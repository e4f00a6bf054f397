// resolve_direct_link against the emulator's share host: both page kinds, the
// requests on the wire, and every failure.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "download/direct_link.h"
#include "download/ranged_download.h"
#include "download_support.h"
#include "net/endpoints.h"
#include "util/codepage.h"

namespace quarrow::testing {
namespace {

using download::resolve_direct_link;

const Text kSecondLevel = "获取失败：获取二级跳转链接为空！"_t;
const Text kThirdLevel = "获取失败：获取三级跳转链接为空！\r\n"_t;
const std::string kPageAgent = net::kDiskHostHeader;

struct Resolved {
  Text url, name, size, error = "untouched";
  bool answered = false;
};

test::Changes new_key(const std::string& key) {
  test::Changes c;
  c.key = key;
  return c;
}

Resolved resolve(const Text& link, const Text& password, const Text& name = {}) {
  Resolved r;
  r.name = name;
  r.url = resolve_direct_link(link, password, r.name, r.size, r.error, &r.answered);
  return r;
}

class DirectLinkTest : public DownloadTest {
 protected:
  // The result's file bytes, fetched and hashed: a URL is only right if it brings the file.
  std::string fetched_sha(const Text& url) {
    const Text local = dir_.text() + "fetched";
    EXPECT_EQ(download::ranged_download(url, local, nullptr, 0, false), "ok");
    return sha256_file(dir_ / "fetched");
  }

  // Resolves while `action` runs as soon as a request to `path` has arrived
  // (held there by a latency fault), so the share can change under way.
  Resolved resolve_while(const std::string& path, const Text& link, const Text& password,
                         const std::function<void()>& action) {
    server().add_fault({"latency", "800", "share", path, 1});
    server().clear_request_log();
    Resolved r;
    std::thread worker([&] { r = resolve(link, password); });
    for (int i = 0; i < 400 && share_requests(path).empty(); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    action();
    worker.join();
    return r;
  }
};

TEST_F(DirectLinkTest, FramePage) {
  Shared s = share_bytes("report & 报告.pdf", "frame page bytes");
  Resolved r = resolve(s.link, "");
  EXPECT_EQ(r.error, "untouched");
  EXPECT_TRUE(r.answered);
  EXPECT_EQ(r.name, util::utf8_to_gbk("report & 报告.pdf")) << "title without \" - Quarrow\", HTML decoded";
  EXPECT_EQ(r.size, "16 B");
  EXPECT_EQ(r.url.rfind(share_url() + "/dl/", 0), 0u) << util::gbk_to_utf8(r.url);

  auto log = server().request_log(test::Host::share);
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[0].method, "GET");
  EXPECT_EQ(log[0].target, "/" + s.file.key);
  EXPECT_EQ(log[0].header("User-Agent").value_or(""), kPageAgent.substr(12));
  EXPECT_EQ(log[1].target.rfind("/fn?", 0), 0u);
  EXPECT_EQ(log[2].method, "POST");
  EXPECT_EQ(log[2].target, "/ajaxm.php");
  EXPECT_EQ(log[2].body.rfind("action=downprocess&sign=", 0), 0u);
  EXPECT_EQ(log[2].body.substr(log[2].body.size() - 3), "&p=");
  EXPECT_EQ(log[3].target.rfind("/file/", 0), 0u);
  EXPECT_EQ(fetched_sha(r.url), s.sha256);
}

TEST_F(DirectLinkTest, PasswordPage) {
  Shared s = share_bytes("密码文件.txt", "password page bytes", "a&b=c");
  Resolved r = resolve(s.link, "a&b=c", "kept.txt");
  EXPECT_EQ(r.name, "kept.txt") << "a name passed in stays";
  EXPECT_EQ(r.size, "19 B");
  auto posts = share_requests("/ajaxm.php");
  ASSERT_EQ(posts.size(), 1u);
  EXPECT_EQ(posts[0].body.substr(posts[0].body.size() - 8), "&p=a&b=c") << "sent as it is";
  // The service reads "&b=c" as a field of its own, so that password is wrong there.
  EXPECT_EQ(r.url, "");
  EXPECT_EQ(r.error, kThirdLevel + "密码不正确"_t);

  s = share_bytes("密码文件2.txt", "second password page", "pw123");
  r = resolve(s.link, "pw123");
  EXPECT_EQ(r.error, "untouched");
  EXPECT_EQ(r.name, util::utf8_to_gbk("密码文件2.txt")) << "from \"inf\", read as UTF-8";
  EXPECT_EQ(r.size, "20 B");
  EXPECT_EQ(fetched_sha(r.url), s.sha256);
}

TEST_F(DirectLinkTest, Failures) {
  Shared plain = share_bytes("plain.txt", "p");
  Shared locked = share_bytes("locked.txt", "l", "right");
  struct Case {
    const char* name;
    std::function<Resolved()> run;
    Text error, result_name, size;
    bool answered;
  };
  const Case cases[] = {
      {"wrong password", [&] { return resolve(locked.link, "wrong"); }, kThirdLevel + "密码不正确"_t,
       "密码不正确"_t, "1 B", true},
      {"no markers: unknown share", [&] { return resolve(dead_link(), ""); }, kSecondLevel, "", "", true},
      {"share host unreachable",
       [&] { return resolve("http://127.0.0.1:" + std::to_string(closed_port()) + "/i1", ""); }, kSecondLevel, "",
       "", false},
      {"frame page without its endpoint",
       [&] {
         return resolve_while("/fn", plain.link, "", [&] { server().update_file(plain.file.id, new_key("ifn1")); });
       },
       kSecondLevel, "plain.txt", "1 B", true},
      {"endpoint refuses",
       [&] {
         return resolve_while("/ajaxm.php", plain.link, "",
                              [&] { server().update_file(plain.file.id, new_key("iaj1")); });
       },
       kThirdLevel + "来晚啦...文件取消分享了"_t, "plain.txt", "1 B", true},
      {"no Location",
       [&] {
         return resolve_while("/file/", plain.link, "", [&] { server().update_file(plain.file.id, new_key("ilo1")); });
       },
       "untouched", "plain.txt", "1 B", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    server().clear_faults();
    server().update_file(plain.file.id, new_key(plain.file.key));
    Resolved r = c.run();
    EXPECT_EQ(r.url, "");
    EXPECT_EQ(r.error, c.error) << util::gbk_to_utf8(r.error);
    EXPECT_EQ(r.name, c.result_name);
    EXPECT_EQ(r.size, c.size);
    EXPECT_EQ(r.answered, c.answered);
  }
  // Still resolvable once the share is back: the failures changed nothing.
  server().update_file(plain.file.id, new_key(plain.file.key));
  EXPECT_EQ(fetched_sha(resolve(plain.link, "").url), plain.sha256);
}

}  // namespace
}  // namespace quarrow::testing
