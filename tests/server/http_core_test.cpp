// The emulator's own HTTP layer: the request log, keep-alive and the
// connection counter, and what it does with malformed requests.
#include <chrono>

#include "server_fixture.h"
#include "test_helpers.h"

namespace quarrow::test {
namespace {

class HttpCore : public ServerFixture {};

TEST_F(HttpCore, RequestLogKeepsHeaderLinesAsReceived) {
  const std::vector<std::string> lines = {"host: example", "X-Second: 2", "user-agent: UA/1.0", "Cookie: a=1; b=2",
                                          "Range:bytes=1-", "Content-Length: 6", "ACCEPT: */*"};
  std::string request = "POST /doupload.php?x=1 HTTP/1.1\r\n";
  for (const auto& l : lines) request += l + "\r\n";
  request += "\r\ntask=5";
  request += "POST /doupload.php HTTP/1.1\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n"
             "4;ext=1\r\ntask\r\n2\r\n=5\r\n0\r\nTrailer: x\r\n\r\n";
  const std::string answer = raw_exchange(port_of(disk_url()), request);
  EXPECT_EQ(answer.rfind("HTTP/1.1 200 OK\r\n", 0), 0u);

  auto log = server().request_log(Host::disk);
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].method, "POST");
  EXPECT_EQ(log[0].target, "/doupload.php?x=1");
  EXPECT_EQ(log[0].header_lines, lines);
  EXPECT_EQ(log[0].body, "task=5");
  EXPECT_EQ(log[0].header("range"), "bytes=1-");
  EXPECT_EQ(log[1].body, "task=5");
  EXPECT_EQ(log[1].connection, log[0].connection);
  EXPECT_LT(log[0].seq, log[1].seq);
}

TEST_F(HttpCore, ExpectContinueIsAnsweredBeforeTheBody) {
  HttpCall call;
  call.method = "POST";
  call.body = std::string(5000, 'a');
  call.headers = {"Expect: 100-continue", "Content-Type: application/x-www-form-urlencoded"};
  auto start = std::chrono::steady_clock::now();
  HttpReply r = http(disk_url() + "/doupload.php", call);
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(r.status, 200);
  // Without the interim answer the client would wait a second before sending anyway.
  EXPECT_LT(ms, 900);
  auto log = server().request_log(Host::disk);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].body.size(), 5000u);
}

TEST_F(HttpCore, ConnectionCounterCountsAcceptedConnectionsPerHost) {
  const std::string keep = "GET /mydisk.php HTTP/1.1\r\nHost: x\r\n\r\n";
  const std::string answer =
      raw_exchange(port_of(disk_url()), keep + keep + "GET /mydisk.php HTTP/1.1\r\nConnection: close\r\n\r\n");
  size_t answers = 0;
  for (size_t p = 0; (p = answer.find("HTTP/1.1 200 OK", p)) != std::string::npos; ++p) ++answers;
  EXPECT_EQ(answers, 3u);
  http(share_url() + "/bquarrow");
  http(share_url() + "/bquarrow");
  Stats s = server().stats();
  EXPECT_EQ(s.disk_connections, 1u);
  EXPECT_EQ(s.disk_requests, 3u);
  EXPECT_EQ(s.share_connections, 2u);
  EXPECT_EQ(s.share_requests, 2u);
}

TEST_F(HttpCore, MalformedRequestsAreRefusedAndTheServerCarriesOn) {
  struct Case {
    std::string request, status_line;
  };
  const Case cases[] = {
      {"GARBAGE\r\n\r\n", "HTTP/1.1 400"},
      {"GET / HTTP/9.9\r\n\r\n", "HTTP/1.1 400"},
      {"GET /  HTTP/1.1\r\n\r\n", "HTTP/1.1 400"},
      {"GET / HTTP/1.1\r\nNoColon\r\n\r\n", "HTTP/1.1 400"},
      {"GET / HTTP/1.1\r\nA: 1\r\n folded\r\n\r\n", "HTTP/1.1 400"},
      {"GET / HTTP/1.1\r\nBad Name: 1\r\n\r\n", "HTTP/1.1 400"},
      {"POST / HTTP/1.1\r\nContent-Length: abc\r\n\r\n", "HTTP/1.1 400"},
      {"POST / HTTP/1.1\r\nContent-Length: 5\r\nContent-Length: 6\r\n\r\nabcdef", "HTTP/1.1 400"},
      {"POST / HTTP/1.1\r\nContent-Length: 99999999999\r\n\r\n", "HTTP/1.1 413"},
      {"POST / HTTP/1.1\r\nTransfer-Encoding: gzip\r\n\r\n", "HTTP/1.1 501"},
      {"POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n", "HTTP/1.1 400"},
      {"POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabcXY", "HTTP/1.1 400"},
      {"GET / HTTP/1.1\r\nX: " + std::string(70000, 'a') + "\r\n\r\n", "HTTP/1.1 431"},
      {std::string("\x00\x01\xff\xfe\r\n\r\n", 8), "HTTP/1.1 400"},
      {"POST / HTTP/1.1\r\nContent-Length: 10\r\n\r\nabc", ""},  // closed mid-body: no answer
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.request.substr(0, 60));
    const std::string answer = raw_exchange(port_of(disk_url()), c.request, 1000);
    EXPECT_EQ(answer.substr(0, c.status_line.size()), c.status_line);
    if (c.status_line.empty()) {
      EXPECT_EQ(answer, "");
    }
  }

  // Well-framed requests with nonsense inside get ordinary answers.
  struct Call {
    std::string url, body;
  };
  const std::string cookie = new_user("junk");
  const Call calls[] = {
      {disk_url() + "/doupload.php", "task=5&folder_id=%zz&pg=-99999999999999999999"},
      {disk_url() + "/doupload.php", "task=2&parent_id=1e99&folder_name=%&folder_description=%%"},
      {disk_url() + "/doupload.php", "&&&=&task"},
      {disk_url() + "/fileup.php", "------WebKitFormBoundaryeGCDJwoQEiqYHenN\r\nContent-Disposition: form-data"},
      {disk_url() + "/account.php?action=logout&%", ""},
      {share_url() + "/fn?garbage_", ""},
      {share_url() + "/ajaxm.php", "action=downprocess&sign=_"},
      {share_url() + "/file/%00", ""},
      {share_url() + "/dl/x_y", ""},
      {share_url() + "/folderlist.php", "fid=abc&pg=x"},
      {share_url() + "/i", ""},
  };
  for (const auto& c : calls) {
    SCOPED_TRACE(c.url + " " + c.body);
    HttpCall call;
    call.cookie = cookie;
    if (!c.body.empty()) {
      call.method = "POST";
      call.body = c.body;
      call.headers = {kUploadContentType};
    }
    HttpReply r = http(c.url, call);
    EXPECT_TRUE(r.error.empty()) << r.error;
    EXPECT_NE(r.status, 0);
  }
  EXPECT_NE(http(disk_url() + "/mydisk.php").body.find("</html>"), std::string::npos);
}

TEST_F(HttpCore, AdminApiAnswersOnlyTheLoopbackAddress) {
  const std::string request = "GET /stats HTTP/1.1\r\nConnection: close\r\n\r\n";
  const uint16_t port = port_of(server().admin_url());
  EXPECT_EQ(raw_exchange(port, request).rfind("HTTP/1.1 200", 0), 0u);
  EXPECT_EQ(raw_exchange(port, request, 2000, "127.0.0.2").rfind("HTTP/1.1 403", 0), 0u);
}

}  // namespace
}  // namespace quarrow::test
