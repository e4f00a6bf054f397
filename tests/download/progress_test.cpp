// The progress texts and the one-second throttle, on a clock the test moves.
#include <gtest/gtest.h>

#include "download/progress.h"
#include "util/codepage.h"

namespace quarrow::testing {
namespace {

using download::ProgressDisplay;
using download::ProgressState;

class ProgressTest : public ::testing::Test {
 protected:
  ProgressState state_{[this] { return now_; }};
  int64_t now_ = 5000;
};

TEST_F(ProgressTest, TextsOfAShownReport) {
  struct Case {
    int64_t total, position, elapsed, new_bytes;
    const char* sizes;
    const char* tooltip;
    const char* speed;
    const char* row_size;
    const char* percent;
  };
  const Case cases[] = {
      {11010048, 3407872, 1000, 524288, "10.5 MB/3.25 MB", "11010048/3407872", "512 KB/s", "10.5 MB", "30.95%"},
      {3000, 1000, 1000, 1000, "2.93 KB/1000 B", "3000/1000", "1000 B/s", "2.93 KB", "33.33%"},
      {1000, 1, 10, 1, "1000 B/1 B", "1000/1", "100 B/s", "1000 B", "0.1%"},
      {10000, 4567, 3, 1, "9.77 KB/4.46 KB", "10000/4567", "333 B/s", "9.77 KB", "45.67%"},
      {500, 500, 10, 500, "500 B/500 B", "500/500", "48.83 KB/s", "500 B", "100%"},
      // Beyond 32 bits: 5 GiB of which 4 GiB + 1 byte are in.
      {5368709120, 4294967297, 2000, 4294967297, "5 GB/4 GB", "5368709120/4294967297", "2 GB/s", "5 GB", "80%"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sizes);
    state_.reset();
    ProgressDisplay d = state_.report(c.total, c.position, c.elapsed, c.new_bytes);
    ASSERT_TRUE(d.shown);
    EXPECT_EQ(d.size_text, c.sizes);
    EXPECT_EQ(d.size_tooltip, c.tooltip);
    EXPECT_EQ(d.speed_text, c.speed);
    EXPECT_EQ(d.row_size, c.row_size);
    EXPECT_EQ(d.row_progress, c.percent);
  }
}

TEST_F(ProgressTest, AtMostOneReportASecond) {
  EXPECT_TRUE(state_.report(100, 10, 10, 10).shown);
  now_ += 400;
  EXPECT_FALSE(state_.report(100, 20, 410, 20).shown);
  now_ += 599;
  EXPECT_FALSE(state_.report(100, 30, 1009, 30).shown);
  now_ += 1;
  EXPECT_TRUE(state_.report(100, 40, 1010, 40).shown);
  // The tick carries over to the next transfer.
  state_.start_transfer();
  now_ += 10;
  EXPECT_FALSE(state_.report(200, 1, 10, 1).shown);
}

TEST_F(ProgressTest, FinalRefreshShowsTheWholeFile) {
  ASSERT_TRUE(state_.report(2048, 100, 10, 100).shown);
  now_ += 10;
  ASSERT_FALSE(state_.report(2048, 2048, 500, 2048).shown);  // not shown, but remembered
  now_ += 10;
  ProgressDisplay d = state_.report(0, 0, 0, 0);
  ASSERT_TRUE(d.shown);
  EXPECT_EQ(d.size_text, "2 KB/2 KB");
  EXPECT_EQ(d.size_tooltip, "2048/2048");
  EXPECT_EQ(d.speed_text, "4 KB/s");
  EXPECT_EQ(d.row_progress, "100%");
}

TEST_F(ProgressTest, UnknownSizeAndEmptyFiles) {
  // No size known: what has arrived is shown.
  ProgressDisplay d = state_.report(0, 3407872, 1000, 3407872);
  ASSERT_TRUE(d.shown);
  EXPECT_EQ(d.size_text, "未知/3.25 MB"_t);
  EXPECT_EQ(d.row_size, "未知"_t);
  EXPECT_EQ(d.row_progress, "3.25 MB");
  EXPECT_EQ(d.speed_text, "3.25 MB/s");
  // A new transfer never shows the old file in its final refresh: an empty file reads 0 B and 100%.
  now_ += 1000;
  ASSERT_TRUE(state_.report(4096, 4096, 100, 4096).shown);
  state_.start_transfer();
  d = state_.report(0, 0, 0, 0);
  ASSERT_TRUE(d.shown);
  EXPECT_EQ(d.size_text, "0 B/0 B");
  EXPECT_EQ(d.row_size, "0 B");
  EXPECT_EQ(d.row_progress, "100%");
  EXPECT_EQ(d.speed_text, "0 B/s");
}

}  // namespace
}  // namespace quarrow::testing
