// Fault injection: spoiled file bodies, resumes, header faults and latency.
#include <chrono>

#include "server_fixture.h"
#include "test_helpers.h"

namespace quarrow::test {
namespace {

class Faults : public ServerFixture {
 protected:
  static std::string direct_link(uint64_t size, std::string* account = nullptr) {
    std::string user;
    new_user("fault", &user);
    if (account) *account = user;
    const FileInfo file = server().create_generated_file(user, "f.zip", size);
    return resolve_share_link(share_url(), share_url() + "/" + file.key, "").direct;
  }
};

TEST_F(Faults, FileBodyFaults) {
  const std::string direct = direct_link(20000);
  ASSERT_FALSE(direct.empty());
  struct Case {
    Fault fault;
    std::string range;
    long status;
    size_t body_size;
    bool broken;  // the transfer ends before the announced length
  };
  const Case cases[] = {
      {{"cut", "1000"}, "", 200, 1000, true},
      {{"cut", "0"}, "Range: bytes=100-", 206, 0, true},
      {{"ignore_range"}, "Range: bytes=100-", 200, 20000, false},
      {{"status416"}, "Range: bytes=100-", 416, 0, false},
      {{"error_page", "404"}, "", 404, 0, false},
      {{"error_page", "500"}, "Range: bytes=100-", 500, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault.kind + " " + c.fault.value);
    Fault once = c.fault;
    once.times = 1;
    server().add_fault(once);
    HttpCall call;
    if (!c.range.empty()) call.headers = {c.range};
    HttpReply r = http(direct, call);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(!r.error.empty(), c.broken) << r.error;
    if (c.status >= 400) {
      EXPECT_NE(r.body.find("<html"), std::string::npos);
    } else {
      EXPECT_EQ(r.body.size(), c.body_size);
    }
    // Used up: the next request is served normally.
    HttpReply again = http(direct, call);
    EXPECT_EQ(again.status, c.range.empty() ? 200 : 206);
    EXPECT_EQ(again.body.size(), c.range.empty() ? 20000u : 19900u);
  }
}

TEST_F(Faults, ResumeAfterACutTransfersOnlyTheMissingBytes) {
  const uint64_t size = 1024 * 1024 + 123;
  const std::string direct = direct_link(size);
  ASSERT_FALSE(direct.empty());
  server().add_fault({"cut", "300000", "share", "/dl/", 1});
  HttpReply first = http(direct);
  ASSERT_EQ(first.body.size(), 300000u);
  HttpCall resume;
  resume.headers = {"Range:bytes=300000-"};
  HttpReply rest = http(direct, resume);
  EXPECT_EQ(rest.status, 206);
  EXPECT_EQ(sha256_hex(first.body + rest.body), sha256_hex(generated_bytes(Pattern::dense, 0, size)));
  EXPECT_EQ(server().stats().file_bytes_sent, size);
}

TEST_F(Faults, HeaderFaultsSpoilTheLogInAnswer) {
  std::string user;
  new_user("hdr", &user, "secret123");
  const std::string body = login_body(user, "secret123");
  const std::string request = "POST /account.php HTTP/1.1\r\nHost: x\r\nConnection: close\r\n"
                              "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
                              std::to_string(body.size()) + "\r\n\r\n" + body;
  struct Case {
    Fault fault;
    std::string present, absent;
  };
  const Case cases[] = {
      {{"cookie_lowercase", "", "disk"}, "\r\nset-cookie: qr_sid=", "Set-Cookie"},
      {{"cookie_nospace", "", "disk"}, "\r\nSet-Cookie:qr_sid=", "Set-Cookie: "},
      {{"cookie_deleted", "PHPSESSID", "disk"}, "\r\nSet-Cookie: PHPSESSID=deleted;", "set-cookie"},
      {{"big_headers", "", "disk"}, "\r\nSet-Cookie: qr_sid=", "set-cookie"},
      {{"big_headers", "", "share"}, "\r\nSet-Cookie: qr_sid=", "X-Padding"},  // the other host only
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault.kind + " on " + c.fault.host);
    server().clear_faults();
    server().add_fault(c.fault);
    const std::string answer = raw_exchange(port_of(disk_url()), request);
    const std::string head = answer.substr(0, answer.find("\r\n\r\n"));
    EXPECT_NE(head.find(c.present), std::string::npos) << head.substr(0, 600);
    EXPECT_EQ(head.find(c.absent), std::string::npos);
    EXPECT_EQ(head.size() > 5000, c.fault.kind == "big_headers" && c.fault.host == "disk");
  }
}

TEST_F(Faults, LatencyDelaysMatchingRequestsOnly) {
  server().add_fault({"latency", "300", "disk", "/mydisk.php"});
  auto elapsed_ms = [](const std::string& url) {
    auto start = std::chrono::steady_clock::now();
    http(url);
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
  };
  EXPECT_GE(elapsed_ms(disk_url() + "/mydisk.php"), 300);
  EXPECT_LT(elapsed_ms(disk_url() + "/account.php"), 300);
  EXPECT_LT(elapsed_ms(share_url() + "/bquarrow"), 300);
}

}  // namespace
}  // namespace quarrow::test
