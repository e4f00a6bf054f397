#include <gtest/gtest.h>

#include "net/endpoints.h"
#include "net/inet_request.h"
#include "net/url_parts.h"
#include "net/web_request.h"

namespace quarrow::net {
namespace {

const Text kUrl = "http://host/doupload.php";

TEST(CompleteWebHeaders, Table) {
  struct Case {
    Text headers;
    int method;
    Text completed;
  };
  const Case cases[] = {
      {kDiskHostHeader, 1,
       Text(kDiskHostHeader) + "\r\nAccept: */*\r\nReferer: " + kUrl +
           "\r\nAccept-Language: zh-cn\r\nContent-Type: application/x-www-form-urlencoded"},
      {"", 0,
       "Accept: */*\r\nReferer: " + kUrl +
           "\r\nAccept-Language: zh-cn\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)"},
      // A header whose name merely ends in "Accept" counts as the Accept header.
      {"X-Accept: 1", 0,
       "X-Accept: 1\r\nReferer: " + kUrl +
           "\r\nAccept-Language: zh-cn\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)"},
      {"content-type: text/plain\r\nUser-Agent: x", 1,
       "Content-Type: text/plain\r\nUser-Agent: x\r\nAccept: */*\r\nReferer: " + kUrl + "\r\nAccept-Language: zh-cn"},
      // "content-type" is only rewritten for POST, and the search is case-sensitive.
      {"content-type: text/plain\r\nUser-Agent: x", 3,
       "content-type: text/plain\r\nUser-Agent: x\r\nAccept: */*\r\nReferer: " + kUrl + "\r\nAccept-Language: zh-cn"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.headers);
    EXPECT_EQ(complete_web_headers(c.headers, kUrl, c.method), c.completed);
  }
}

TEST(CompleteInetHeaders, Table) {
  const Text upload = "Content-Type: multipart/form-data; boundary=xyz\r\n" + Text(kDiskHostHeader);
  EXPECT_EQ(complete_inet_headers(upload, kUrl, 1, "a=1"),
            upload + "\r\nAccept: */*\r\nReferer: " + kUrl + "\r\nAccept-Language: zh-cn\r\nCookie: a=1");
  EXPECT_EQ(complete_inet_headers("", kUrl, 1, ""),
            "Accept: */*\r\nReferer: " + kUrl +
                "\r\nAccept-Language: zh-cn\r\nContent-Type: application/x-www-form-urlencoded");
  // A cookie text that already holds "Cookie:" is its own line.
  EXPECT_EQ(complete_inet_headers("Accept: x", kUrl, 0, "Cookie: a=1"),
            "Accept: x\r\nReferer: " + kUrl + "\r\nAccept-Language: zh-cn\r\nCookie: a=1");
}

TEST(InetAgentName, Table) {
  struct Case {
    Text headers, agent;
  };
  const Case cases[] = {
      {"", "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)"},
      {"Accept: */*", "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)"},
      {"Content-Type: a\r\nUser-Agent: Agent/1.0 \r\nAccept: */*", "Agent/1.0"},
      {"User-Agent: Last/2", "Last/2"},
      {"X: 1\r\nuser-agent: low", "1\r\nuser-agent: low"},  // found ignoring case, cut case-sensitively
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.headers);
    EXPECT_EQ(inet_agent_name(c.headers), c.agent);
  }
}

TEST(UrlParts, Table) {
  struct Case {
    Text url, host, host_port;
    int port;
    Text path;
  };
  const Case cases[] = {
      {"HTTP://Example.COM:81/A/b?C=1", "example.com", "example.com:81", 81, "/A/b?C=1"},
      {"https://share.example.com/iabc", "share.example.com", "share.example.com", 443, "/iabc"},
      {"http://example.com", "example.com", "example.com", 80, "/"},
      {"example.com/x", "example.com", "example.com", 80, "/x"},
      {"http://127.0.0.1:8080", "127.0.0.1", "127.0.0.1:8080", 8080, "/"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.url);
    EXPECT_EQ(url_host(c.url), c.host);
    EXPECT_EQ(url_host(c.url, true), c.host_port);
    EXPECT_EQ(url_port(c.url), c.port);
    EXPECT_EQ(url_path(c.url), c.path);
  }
}

TEST(HeaderLines, SplitTrimmedAndNamed) {
  EXPECT_EQ(header_lines_of("A: 1\r\n\r\n B :  two words \r\nno colon\r\nEmpty:"),
            (std::vector<std::string>{"A: 1", "B: two words", "Empty;"}));
  EXPECT_EQ(std::string(method_name(1)), "POST");
  EXPECT_EQ(std::string(method_name(9)), "GET");
}

}  // namespace
}  // namespace quarrow::net
