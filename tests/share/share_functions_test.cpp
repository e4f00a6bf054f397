// The pure parts of share import: line splitting and joining, the password
// marker, the domain test, URL pieces and the timestamp form.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "share/share_import.h"
#include "util/codepage.h"

namespace quarrow::share {
namespace {

std::string u8(const Text& t) { return util::gbk_to_utf8(t); }
Text gbk(const std::string& s) { return util::utf8_to_gbk_whole(s); }

TEST(ShareLines, BreaksJoinsAndSplits) {
  struct Case {
    std::string pasted;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"", {}},
      {"a\r\nb", {"a", "b"}},
      {"a\nb\n", {"a", "b"}},                       // line feeds of a Linux clipboard
      {"a\rb", {"a", "b"}},                         // a lone CR breaks the line too
      {"a\r\n\r\nb", {"a", "", "b"}},               // the empty line is kept; the parse skips it
      {"link\r\n密码:abc", {"link密码:abc"}},       // a password line joins the line above
      {"link\n密码:abc\nnext", {"link密码:abc", "next"}},
      {"link\r\n：abc", {"link:abc"}},              // a line starting with a full-width colon joins too
      {"link\r\n：密码:abc", {"link:密码:abc"}},
      {"link\r\n：\r\n密码:abc", {"link:密码:abc"}},  // the colon line first, then the password line
      {"link 密码：abc", {"link 密码：abc"}},        // "密码：" with a full-width colon is left alone
      {"link\r\n密码：abc", {"link", "密码：abc"}},  // and starts no password line
      {"link\r\n密码 :abc", {"link", "密码 :abc"}},
      {"link\r\n\r\n密码:abc", {"link", "密码:abc"}},  // joined to the empty line above, not to the link
      {"link\r\n 密码:abc", {"link", " 密码:abc"}}, // a blank first: not a password line
      {"密码:x", {"密码:x"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pasted);
    std::vector<std::string> got;
    for (const Text& line : share_lines(gbk(c.pasted))) got.push_back(u8(line));
    EXPECT_EQ(got, c.lines);
  }
  // A double-byte character cut at the end of the text stays as it is.
  EXPECT_EQ(share_lines("a\r\n\xD6"), (std::vector<Text>{"a", "\xD6"}));
}

TEST(SplitPassword, MarkerRules) {
  struct Case {
    std::string line, link, password;
  };
  const Case cases[] = {
      {"http://h/iabc", "http://h/iabc", ""},
      {"http://h/iabc密码:1234", "http://h/iabc", "1234"},
      {"http://h/iabc 密码:1234", "http://h/iabc ", "1234"},       // nothing is trimmed
      {"http://h/iabc密码: 12 ", "http://h/iabc", " 12 "},
      {"http://h/iabc密码:", "http://h/iabc", ""},
      {"http://h/iabc密码:a密码:b", "http://h/iabc", "b"},          // link before the first, password after the last
      {"密码:1234", "密码:1234", "1234"},                           // starting with the marker: the whole line
      {"http://h/iabc密码：1234", "http://h/iabc密码：1234", ""},   // a full-width colon is no marker here
      {"http://h/iabc 密码 1234", "http://h/iabc 密码 1234", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    LinkAndPassword lp = split_password(gbk(c.line));
    EXPECT_EQ(u8(lp.link), c.link);
    EXPECT_EQ(u8(lp.password), c.password);
  }
}

TEST(ShareDomain, DropsTheSubDomainOfNamedHostsOnly) {
  struct Case {
    std::string host, domain;
  };
  const Case cases[] = {
      {"https://share.quarrow.com", "quarrow.com"},
      {"https://SHARE.Quarrow.COM/", "quarrow.com"},
      {"https://quarrow.com", "quarrow.com"},
      {"https://a.b.quarrow.com", "quarrow.com"},
      {"https://share.quarrow.com:8443", "quarrow.com:8443"},
      {"http://127.0.0.1:41234", "127.0.0.1:41234"},
      {"http://127.0.0.1", "127.0.0.1"},
      {"http://localhost:8080", "localhost:8080"},
      {"http://[::1]:5000", "[::1]:5000"},
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.host);
    EXPECT_EQ(share_domain(c.host), c.domain);
  }
}

TEST(LineKind, DomainFollowedByIOrB) {
  struct Case {
    std::string domain, line;
    LineKind kind;
  };
  const Case cases[] = {
      {"quarrow.com", "https://share.quarrow.com/iab12", LineKind::single_file},
      {"quarrow.com", "https://www.QUARROW.com/IAB12", LineKind::single_file},
      {"quarrow.com", "看看这个 https://quarrow.com/i99 密码:1", LineKind::single_file},
      {"quarrow.com", "https://share.quarrow.com/b0x1", LineKind::folder},
      {"quarrow.com", "https://share.quarrow.com/B0X1", LineKind::folder},
      {"quarrow.com", "https://share.quarrow.com/dl/file.zip", LineKind::direct},
      {"quarrow.com", "https://example.com/quarrow.com", LineKind::direct},
      {"quarrow.com", "https://share.quarrow.cn/iab", LineKind::direct},
      {"127.0.0.1:41234", "http://127.0.0.1:41234/iKEY", LineKind::single_file},
      {"127.0.0.1:41234", "http://127.0.0.1:41234/bKEY", LineKind::folder},
      {"127.0.0.1:41234", "http://127.0.0.1:9/iKEY", LineKind::direct},   // another port is another site
      {"127.0.0.1:41234", "http://127.0.0.1:41234/dl/x", LineKind::direct},
      {"localhost:8080", "http://LOCALHOST:8080/i1", LineKind::single_file},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.domain + " " + c.line);
    EXPECT_EQ(line_kind(gbk(c.line), gbk(c.domain)), c.kind);
  }
}

TEST(FolderEntryLink, PlainHttpOfTheShareHost) {
  struct Case {
    std::string host, id, link;
  };
  const Case cases[] = {
      {"https://share.quarrow.com", "iabc", "http://share.quarrow.com/iabc"},
      {"https://share.quarrow.com/", "iabc", "http://share.quarrow.com/iabc"},
      {"http://127.0.0.1:41234", "i7", "http://127.0.0.1:41234/i7"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.host);
    EXPECT_EQ(folder_entry_link(c.host, c.id), c.link);
  }
}

TEST(LastPathSegment, Pieces) {
  struct Case {
    std::string url, piece;
  };
  const Case cases[] = {
      {"http://h/a/b.zip", "b.zip"},
      {"http://h/a/月报/", "月报"},   // a trailing "/" gives the last folder
      {"http://h/a//", ""},           // the empty piece between two "/" counts
      {"http://h", "h"},
      {"name.txt", "name.txt"},
      {"/", ""},
      {"", ""},
      {"http://h/a?x=1/2", "2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    EXPECT_EQ(u8(last_path_segment(gbk(c.url))), c.piece);
  }
}

TEST(TimestampText, Form) {
  struct Case {
    long long seconds;
    int ms;
    std::string text;
  };
  const Case cases[] = {
      {1700000000, 7, "1700000000007"},
      {1700000000, 999, "1700000000999"},
      {1700000000, 40, "1700000000040"},
      {123, 45, "1230450000000"},  // short: "0" appended up to 13 characters
      {0, 0, "0000000000000"},
      {10000000000, 5, "10000000000005"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(timestamp_text_at(c.seconds, c.ms), c.text);
  }
}

// The count starts at the local time 1970-01-01 08:00:00, whatever the zone.
TEST(TimestampText, CountedFromLocalEightOClock) {
  const char* old = std::getenv("TZ");
  const std::string saved = old ? old : "";
  struct Case {
    const char* tz;
    long long offset;  // seconds added to the Unix time
  };
  const Case cases[] = {{"CST-8", 0}, {"UTC0", -8 * 3600}, {"EST5", -13 * 3600}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tz);
    setenv("TZ", c.tz, 1);
    tzset();
    const long long before = static_cast<long long>(std::time(nullptr));
    const Text text = timestamp_text();
    const long long after = static_cast<long long>(std::time(nullptr));
    ASSERT_GE(text.size(), 13u);
    ASSERT_EQ(text.find_first_not_of("0123456789"), Text::npos);
    const long long seconds = std::stoll(text.substr(0, text.size() - 3));
    EXPECT_GE(seconds, before + c.offset);
    EXPECT_LE(seconds, after + c.offset);
  }
  if (old) setenv("TZ", saved.c_str(), 1);
  else unsetenv("TZ");
  tzset();
}

}  // namespace
}  // namespace quarrow::share
