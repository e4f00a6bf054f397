#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "e2e_fixture.h"
#include "net/http_client.h"
#include "net/inet_request.h"
#include "net/web_request.h"
#include "util/codepage.h"

namespace quarrow::testing {
namespace {

using net::InetRequestOptions;
using net::WebRequestOptions;

const std::string kOldAgent = "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

class TransportTest : public E2eTest {};

TEST_F(TransportTest, WebRequestHeaderLinesOnTheWire) {
  const Text url = disk_url() + "/doupload.php";
  struct Case {
    const char* name;
    int method;
    Text headers;
    bool cookie_given;
    Text cookie;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"disk POST", 1, net::kDiskHostHeader, true, "a=1",
       {"Cookie: a=1", net::kDiskHostHeader, "Accept: */*", "Referer: " + url, "Accept-Language: zh-cn",
        "Content-Type: application/x-www-form-urlencoded"}},
      {"bare GET, empty cookie", 0, "", true, "",
       {"Cookie:", "Accept: */*", "Referer: " + url, "Accept-Language: zh-cn", kOldAgent}},
      {"no cookie at all", 0, "X-Accept: 1", false, "",
       {"X-Accept: 1", "Referer: " + url, "Accept-Language: zh-cn", kOldAgent}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    server().clear_request_log();
    Text headers = c.headers, cookie = c.cookie;
    WebRequestOptions o;
    o.method = c.method;
    o.body = c.method == 1 ? "task=12&file_id=1" : "";
    o.headers = &headers;
    if (c.cookie_given) o.cookie = &cookie;
    net::web_request(url, o);
    auto log = server().request_log();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].method, c.method == 1 ? "POST" : "GET");
    EXPECT_EQ(own_header_lines(log[0]), c.lines);
    EXPECT_EQ(headers, net::complete_web_headers(c.headers, url, c.method)) << "left completed";
    if (c.method == 1) {
      EXPECT_EQ(log[0].body, "task=12&file_id=1");
    }
  }
}

TEST_F(TransportTest, WebRequestOutputs) {
  Text cookie = "x = 1; x=2", cookies_out, response_headers, headers;
  int status = -1;
  WebRequestOptions o;
  o.cookie = &cookie;
  o.cookies_out = &cookies_out;
  o.response_headers = &response_headers;
  o.status = &status;
  o.method = 1;
  o.body = "action=login&task=login&username=nobody&password=x";
  std::string body = net::web_request(disk_url() + "/account.php", o);
  EXPECT_EQ(status, 200);
  EXPECT_NE(util::utf8_to_gbk(body).find("该用户名未注册。"_t), std::string::npos);
  EXPECT_EQ(response_headers.find("HTTP/"), std::string::npos) << "no status line in WebRequest's headers";
  EXPECT_NE(response_headers.find("Content-Type: "), std::string::npos);
  // The answer's cookies come first, then the old ones it did not name, without spaces or repeats.
  EXPECT_EQ(cookies_out, cookie);
  EXPECT_NE(cookie.find("PHPSESSID="), std::string::npos);
  EXPECT_EQ(cookie.substr(cookie.size() - 5), "; x=1");
}

TEST_F(TransportTest, FailureOutputs) {
  Text cookie = "b=2; a = 1; b=3", cookies_out = "stale", response_headers = "stale", headers;
  int status = -1;
  WebRequestOptions o;
  o.cookie = &cookie;
  o.cookies_out = &cookies_out;
  o.response_headers = &response_headers;
  o.status = &status;
  o.headers = &headers;
  EXPECT_EQ(net::web_request("http://127.0.0.1:1/nothing", o), "");
  EXPECT_EQ(status, 0);
  EXPECT_EQ(response_headers, "");
  EXPECT_EQ(cookies_out, "b=2; a=1");  // the merge still normalises the cookie
  EXPECT_EQ(cookie, "b=2; a=1");
  EXPECT_NE(headers.find("Referer: http://127.0.0.1:1/nothing"), std::string::npos);

  Text inet_cookie = "a = 1", inet_headers_out = "stale";
  InetRequestOptions io;
  io.cookie = &inet_cookie;
  io.response_headers = &inet_headers_out;
  EXPECT_EQ(net::inet_request("http://127.0.0.1:1/nothing", io), "");
  EXPECT_EQ(inet_headers_out, Text(5000, ' '));
  EXPECT_EQ(inet_cookie, "a=1");
}

TEST_F(TransportTest, InetRequestSendsOneUserAgentAndRawHeaders) {
  const Text url = share_url() + "/";
  struct Case {
    const char* name;
    Text headers;
    std::string agent_line;
  };
  const Case cases[] = {
      {"caller's agent", net::kDiskHostHeader, net::kDiskHostHeader},
      {"default agent", "", kOldAgent},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    server().clear_request_log();
    Text headers = c.headers, raw;
    InetRequestOptions o;
    o.headers = &headers;
    o.response_headers = &raw;
    net::inet_request(url, o);
    auto log = server().request_log();
    ASSERT_EQ(log.size(), 1u);
    int agents = 0;
    for (const auto& line : log[0].header_lines)
      if (line.rfind("User-Agent:", 0) == 0) {
        ++agents;
        EXPECT_EQ(line, c.agent_line);
      }
    EXPECT_EQ(agents, 1);
    EXPECT_EQ(raw.rfind("HTTP/1.1 ", 0), 0u) << raw;
    EXPECT_EQ(raw.substr(raw.size() - 4), "\r\n\r\n");
  }
}

TEST_F(TransportTest, InetRequestPostBodyAndCookieLine) {
  Text headers = net::kDiskHostHeader, cookie = "k=v";
  std::string body_bytes;
  InetRequestOptions o;
  o.method = 1;
  o.body = "task=12&file_id=1";
  o.body_bytes = &body_bytes;
  o.headers = &headers;
  o.cookie = &cookie;
  net::inet_request(disk_url() + "/doupload.php", o);
  EXPECT_EQ(body_bytes, "task=12&file_id=1") << "the caller's byte array receives the body";
  auto log = server().request_log();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].body, "task=12&file_id=1");
  EXPECT_EQ(log[0].header("Cookie"), "k=v");
  EXPECT_EQ(log[0].header("Content-Type"), "application/x-www-form-urlencoded");
}

TEST_F(TransportTest, ResponseHeadersOverTheLimitHideTheirCookies) {
  server().add_fault({"big_headers", "", "disk", "/account.php", 1});
  Text cookie, raw;
  InetRequestOptions o;
  o.method = 1;
  o.body = "action=login&task=login&username=x&password=y";
  o.cookie = &cookie;
  o.response_headers = &raw;
  net::inet_request(disk_url() + "/account.php", o);
  EXPECT_EQ(raw, Text(5000, ' '));
  EXPECT_EQ(cookie, "");
}

TEST_F(TransportTest, SetCookieVariants) {
  std::string account;
  new_user("cookie", &account, "secret123");
  struct Case {
    const char* fault;
    bool session_seen;
  };
  const Case cases[] = {{"", true}, {"cookie_lowercase", false}, {"cookie_nospace", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    if (*c.fault) server().add_fault({c.fault, "", "disk", "/account.php", 1});
    Text cookies;
    WebRequestOptions o;
    o.method = 1;
    o.body = "action=login&task=login&username=" + account + "&password=secret123";
    o.cookies_out = &cookies;
    net::web_request(disk_url() + "/account.php", o);
    EXPECT_EQ(cookies.find("qr_sid=") != std::string::npos, c.session_seen) << cookies;
  }
  // "=deleted" removes the cookie from the caller's text.
  server().add_fault({"cookie_deleted", "gone", "disk", "/mydisk.php", 1});
  Text cookie = "gone=1; keep=2";
  WebRequestOptions o;
  o.cookie = &cookie;
  net::web_request(disk_url() + "/mydisk.php", o);
  EXPECT_EQ(cookie, "keep=2");
}

TEST_F(TransportTest, ConnectionsAreReusedOnAThread) {
  server().reset_stats();
  std::thread worker([&] {
    for (int i = 0; i < 1000; ++i) {
      Text cookie;
      WebRequestOptions o;
      o.method = 1;
      o.body = "task=12&file_id=" + std::to_string(i);
      o.cookie = &cookie;
      net::web_request(disk_url() + "/doupload.php", o);
    }
  });
  worker.join();
  auto stats = server().stats();
  EXPECT_EQ(stats.disk_requests, 1000u);
  EXPECT_LE(stats.disk_connections, 2u);
}

TEST_F(TransportTest, RequestsCanBeCancelledFromAnotherThread) {
  server().add_fault({"latency", "10000", "disk", "/mydisk.php", 1});
  std::atomic<bool> cancel{false};
  auto start = std::chrono::steady_clock::now();
  std::thread canceller([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    cancel = true;
  });
  WebRequestOptions o;
  o.cancel = &cancel;
  EXPECT_EQ(net::web_request(disk_url() + "/mydisk.php", o), "");
  canceller.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));

  // The same through a scope for every request of a thread.
  server().add_fault({"latency", "10000", "disk", "/mydisk.php", 1});
  std::atomic<bool> scoped{false};
  start = std::chrono::steady_clock::now();
  std::thread worker([&] {
    net::CancelScope scope(&scoped);
    net::web_request(disk_url() + "/mydisk.php");
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  scoped = true;
  worker.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST_F(TransportTest, LoopbackNeverGoesThroughAProxy) {
  setenv("http_proxy", "http://127.0.0.1:1", 1);
  setenv("HTTP_PROXY", "http://127.0.0.1:1", 1);
  int status = 0;
  WebRequestOptions o;
  o.status = &status;
  net::web_request(disk_url() + "/mydisk.php", o);
  unsetenv("http_proxy");
  unsetenv("HTTP_PROXY");
  EXPECT_EQ(status, 200);
}

TEST_F(TransportTest, RedirectsFollowedUnlessAsked) {
  // The share host answers "/file/…" with a redirect to the direct file.
  std::string account;
  new_user("redirect", &account);
  auto file = server().create_file(account, "r.bin", "0123456789");
  Text location = net::redirect_target(share_url() + "/file/?nothing");
  EXPECT_EQ(location, "");  // no redirect for an unknown token
  Text page = util::utf8_to_gbk(net::web_request(share_url() + "/" + file.key));
  EXPECT_NE(page.find("r.bin"), std::string::npos);
  int status = 0;
  WebRequestOptions o;
  o.no_redirect = true;
  o.status = &status;
  net::web_request(disk_url() + "/mydisk.php?item=profile&action=mypower", o);
  EXPECT_NE(status, 0);
}

}  // namespace
}  // namespace quarrow::testing
