#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAction>

#include <filesystem>

#include "desktop_fixture.h"
#include "download/runner.h"
#include "file_hash.h"
#include "ui/list_format.h"

namespace quarrow::testing {
namespace {

namespace fs = std::filesystem;

class KillTest : public DesktopTest {
 protected:
  pid_t launch_child(const char* mode) {
    pid_t child = ::fork();
    if (child == 0) {
      ::setenv("QUARROW_TEST_CHILD", mode, 1);
      ::setenv("QUARROW_DISK_HOST", disk_url().c_str(), 1);
      ::setenv("QUARROW_SHARE_HOST", share_url().c_str(), 1);
      ::setenv("QUARROW_RUN_DIR", run_dir_.path().c_str(), 1);
      ::execl("/proc/self/exe", "gui_tests", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    return child;
  }
  static void kill_now(pid_t child) {
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
  }
};

// Rows queued a moment before the program is killed are there at the next start.
TEST_F(KillTest, QueuedRowsSurviveAKill) {
  std::string account;
  std::string cookie = new_user("killrows", &account);
  save_login(account, cookie);
  pid_t child = launch_child("add-rows");
  ASSERT_TRUE(wait_for([&] { return fs::exists(run_dir_.path() / "rows-added"); }, 30000));
  QTest::qWait(1000);
  kill_now(child);
  start();
  ui::MainWindow* w = wait_for_main_window();
  ASSERT_NE(w, nullptr);
  ASSERT_EQ(w->download_list()->topLevelItemCount(), 2);
  EXPECT_EQ(w->download_list()->topLevelItem(1)->text(1).toStdString(), "queued-2.zip");
}

// The program killed outright during a transfer; the next start resumes the
// queue and completes the file byte for byte.
TEST_F(KillTest, AKilledTransferCompletesAfterARestart) {
  std::string account;
  std::string cookie = new_user("kill", &account);
  save_login(account, cookie);
  shell::config_write("下载设置"_t, "选择框_启动断点续载"_t, "真"_t);
  TempDir save_dir;
  const size_t size = 4 << 20;
  auto file = server().create_generated_file(account, "big.bin", size);
  const std::string link = share_url() + "/" + file.key;
  shell::config_write("超级列表框"_t, "超级列表框_下载列表"_t,
                      ui::encode_list({{"1", "big.bin", "等待计算"_t, "等待下载"_t, link, "", save_dir.text(), ""}}));
  server().add_fault({"rate", "1000000", "share", "/dl/", 1});

  pid_t child = launch_child("download-run");
  const fs::path path = save_dir.path() / "big.bin";
  ASSERT_TRUE(wait_for([&] { return fs::exists(path) && fs::file_size(path) > 500000; }, 30000));
  kill_now(child);
  const uint64_t partial = fs::file_size(path);
  ASSERT_LT(partial, size);

  server().clear_request_log();
  start();
  ui::MainWindow* w = wait_for_main_window();
  ASSERT_NE(w, nullptr);
  ASSERT_EQ(w->download_list()->topLevelItemCount(), 1);
  EXPECT_EQ(w->download_list()->topLevelItem(0)->text(4).toStdString(), link);
  emit w->download_list()->customContextMenuRequested(QPoint(2, 2));
  w->downloading_menu()->hide();
  w->downloading_menu()->findChild<QAction*>(QString::fromUtf8("开始任务"))->trigger();
  ASSERT_TRUE(wait_for([&] { return !download::download_run_active(); }, 30000));
  EXPECT_EQ(w->completed_list()->topLevelItemCount(), 1);
  EXPECT_EQ(file_sha256(path), sha256_hex(test::generated_bytes(test::Pattern::dense, 0, size)));
  std::vector<std::optional<std::string>> ranges;
  for (const auto& r : server().request_log(test::Host::share))
    if (r.target.rfind("/dl/", 0) == 0) ranges.push_back(r.header("Range"));
  EXPECT_EQ(ranges, (std::vector<std::optional<std::string>>{"bytes=" + std::to_string(partial) + "-"}));
}

}  // namespace
}  // namespace quarrow::testing
