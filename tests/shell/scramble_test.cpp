#include "shell/scramble.h"

#include <gtest/gtest.h>

#include "util/codepage.h"
#include "util/md5.h"

namespace quarrow::shell {
namespace {

TEST(Scramble, FormAndRoundTrip) {
  const Text tail = scramble_check_tail();
  ASSERT_EQ(tail.size(), 9u);
  for (char c : tail) EXPECT_TRUE((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')) << tail;

  const Text texts[] = {"", "secret", "PHPSESSID=abc; uid=1", "密码😀"_t, Text("\0\xFF", 2)};
  for (const auto& text : texts) {
    SCOPED_TRACE(text);
    Text stored = scramble_text(text);
    EXPECT_EQ(stored.size(), 2 * text.size() + 9);
    EXPECT_EQ(stored.substr(stored.size() - 9), tail);
    for (char c : stored.substr(0, stored.size() - 9)) EXPECT_TRUE(std::isxdigit(static_cast<unsigned char>(c)));
    EXPECT_EQ(unscramble_text(stored), text);
  }
  EXPECT_EQ(scramble_text(""), tail);  // an empty password is the tail alone
}

TEST(Scramble, RejectsForeignValuesAndAcceptsLowerCase) {
  Text stored = scramble_text("abc");
  Text lower = stored;
  for (size_t i = 0; i + 9 < lower.size(); ++i) lower[i] = static_cast<char>(std::tolower(lower[i]));
  EXPECT_EQ(unscramble_text(lower), "abc");

  EXPECT_EQ(unscramble_text(""), "");
  EXPECT_EQ(unscramble_text("plain text"), "");
  EXPECT_EQ(unscramble_text(stored.substr(0, stored.size() - 1)), "");
  Text odd = stored.substr(0, 5) + stored.substr(stored.size() - 9);  // a digit left over decodes alone
  EXPECT_EQ(unscramble_text(odd).size(), 3u);
}

}  // namespace
}  // namespace quarrow::shell
