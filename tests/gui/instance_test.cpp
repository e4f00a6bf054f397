#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "e2e_fixture.h"
#include "run_program.h"
#include "shell/config_store.h"
#include "shell/scramble.h"
#include "util/codepage.h"
#include "util/file_ops.h"

namespace quarrow::testing {
namespace {

// The desktop program as a user starts it, in a process of its own.
class ProgramTest : public E2eTest {
 protected:
  std::map<std::string, std::string> environment() const {
    return {{"QUARROW_DISK_HOST", disk_url()},
            {"QUARROW_SHARE_HOST", share_url()},
            {"QUARROW_RUN_DIR", run_dir_.path().string()},
            {"QT_QPA_PLATFORM", "offscreen"},
            {"ASAN_OPTIONS", "detect_leaks=0"}};
  }
  pid_t launch() {
    pid_t pid = ::fork();
    if (pid == 0) {
      for (const auto& [name, value] : environment()) ::setenv(name.c_str(), value.c_str(), 1);
      ::execl(QUARROW_BINARY, QUARROW_BINARY, static_cast<char*>(nullptr));
      ::_exit(127);
    }
    return pid;
  }
  static bool eventually(const std::function<bool()>& condition, int seconds = 20) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
      if (condition()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }
  static int wait_exit(pid_t pid, int seconds = 20) {
    int status = 0;
    bool done = eventually([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, seconds);
    if (!done) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
};

TEST_F(ProgramTest, ASecondStartLeavesTheFirstAndEnds) {
  pid_t first = launch();
  // The first start writes the empty saved cookie: then it holds the lock.
  ASSERT_TRUE(eventually([&] { return util::file_exists(run_dir_.text() + "config"); }));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));

  auto started = std::chrono::steady_clock::now();
  ProgramResult second = run_program(QUARROW_BINARY, {}, environment(), {}, 20);
  EXPECT_EQ(second.status, 0);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
  EXPECT_EQ(::waitpid(first, nullptr, WNOHANG), 0) << "the first instance still runs";

  ::kill(first, SIGTERM);
  EXPECT_EQ(wait_exit(first), 0);
  // Once it has ended, a new start is a first instance again.
  pid_t again = launch();
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  EXPECT_EQ(::waitpid(again, nullptr, WNOHANG), 0);
  ::kill(again, SIGINT);
  EXPECT_EQ(wait_exit(again), 0);
}

TEST_F(ProgramTest, SigtermEndsThroughTheExitSave) {
  std::string account;
  std::string cookie = new_user("sigterm", &account);
  shell::config_write("配置"_t, "ck", shell::scramble_text(cookie));
  pid_t pid = launch();
  // MainWindow's first activation lists the root folder.
  ASSERT_TRUE(eventually([&] {
    for (const auto& r : server().request_log())
      if (r.target.rfind("/doupload.php", 0) == 0) return true;
    return false;
  }));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  ::kill(pid, SIGTERM);
  EXPECT_EQ(wait_exit(pid), 0);
  EXPECT_FALSE(shell::config_read("配置"_t, "窗口位置"_t).empty());
  EXPECT_EQ(shell::config_read("下载设置"_t, "选择框_启动断点续载"_t), "假"_t);
  EXPECT_FALSE(shell::config_read("配置"_t, "ck").empty()) << "the log-in stays saved";
}

}  // namespace
}  // namespace quarrow::testing
