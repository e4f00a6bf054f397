#include "net/cookies.h"

#include <gtest/gtest.h>

namespace quarrow::net {
namespace {

TEST(MergeCookies, Table) {
  struct Case {
    Text old_cookies, collected, merged;
  };
  const Case cases[] = {
      {"a=1; b=2", "b=3; c=4", "b=3; c=4; a=1"},
      {"a=1; b=2", "b=deleted", "a=1"},
      {"a=1; a=2; b=2", "", "a=1; b=2"},
      {"", "k=v; k=v", "k=v"},
      {"a = 1 ;b=two words", "", "a=1; b=twowords"},  // every space goes
      {"flag; x=1", "", "flag; x=1"},                  // a pair without "=" is its own name
      {"", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.old_cookies + " + " + c.collected);
    Text old_cookies = c.old_cookies, collected = c.collected;
    EXPECT_EQ(merge_cookies(old_cookies, collected), c.merged);
    EXPECT_EQ(old_cookies, c.merged);
    EXPECT_EQ(collected, c.merged);
  }
}

TEST(CollectSetCookies, Table) {
  struct Case {
    Text headers, pairs;
  };
  const Case cases[] = {
      {"Set-Cookie: a=1; path=/\r\nSet-Cookie: b=2; HttpOnly\r\n", "a=1; b=2"},
      {"Content-Type: text/html\r\nSet-Cookie: k=v\r\n", "k=v"},         // no attributes: the whole value
      {"set-cookie: a=1; path=/\r\n", ""},                                // the name test is case-sensitive
      {"Set-Cookie:a=1; path=/\r\n", ""},                                 // no space after the colon
      {"Set-Cookie: gone=deleted; expires=Thu, 01 Jan 1970\r\n", "gone=deleted"},
      {"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.headers);
    EXPECT_EQ(collect_set_cookies(c.headers), c.pairs);
  }
}

}  // namespace
}  // namespace quarrow::net
