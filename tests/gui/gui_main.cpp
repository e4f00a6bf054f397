#include <gtest/gtest.h>

#include <QApplication>

#include <cstdlib>
#include <string>

namespace quarrow::testing {
// Defined by the suites that run the program as a child process of their own.
[[gnu::weak]] int run_child_program(const std::string& mode);
}

int main(int argc, char** argv) {
  // Test binaries also run at build time (test discovery), where there is no display.
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  setenv("QUARROW_SILENT", "1", 0);
  // No session bus in a test run: fail fast instead of waiting for one.
  setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/quarrow-test-bus", 0);
  setenv("QT_ACCESSIBILITY", "0", 0);
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  if (const char* mode = std::getenv("QUARROW_TEST_CHILD"); mode && &quarrow::testing::run_child_program)
    return quarrow::testing::run_child_program(mode);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
