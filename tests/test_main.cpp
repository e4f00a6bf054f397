#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
  // Test binaries run at build time (test discovery), where there is no display.
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
