// quarrow-cli get as a user runs it: a separate process pointed at the emulator.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "download_support.h"

extern char** environ;

namespace quarrow::testing {
namespace {

struct CliResult {
  int status = -1;
  std::string out, err;
};

class CliGetTest : public DownloadTest {
 protected:
  // Starts quarrow-cli with the emulator's endpoints and the test's run directory.
  pid_t start(const std::vector<std::string>& args, const std::string& input = {},
              const std::string& share = {}) {
    write_file(io_ / "in", input);
    std::vector<std::string> env_text = {"QUARROW_DISK_HOST=" + disk_url(),
                                         "QUARROW_SHARE_HOST=" + (share.empty() ? share_url() : share),
                                         "QUARROW_RUN_DIR=" + run_dir_.path().string()};
    for (char** e = environ; *e; ++e)
      if (std::string_view(*e).rfind("QUARROW_", 0) != 0) env_text.emplace_back(*e);
    std::vector<std::string> argv_text = {QUARROW_CLI_BINARY};
    argv_text.insert(argv_text.end(), args.begin(), args.end());
    std::vector<char*> argv, envp;
    for (auto& a : argv_text) argv.push_back(a.data());
    for (auto& e : env_text) envp.push_back(e.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, (io_ / "in").c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, (io_ / "out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, (io_ / "err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    EXPECT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()), 0);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
  }

  CliResult finish(pid_t pid) {
    CliResult r;
    int status = 0;
    if (::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) r.status = WEXITSTATUS(status);
    r.out = read_file(io_ / "out");
    r.err = read_file(io_ / "err");
    return r;
  }

  CliResult cli(const std::vector<std::string>& args, const std::string& input = {}, const std::string& share = {}) {
    return finish(start(args, input, share));
  }

  std::string dir() const { return dir_.path().string(); }

  TempDir io_;
};

TEST_F(CliGetTest, FailureCtrlCAndResume) {
  const uint64_t size = 2 << 20;
  Shared s = share_generated("资料.bin", size, "pw1");
  const std::vector<std::string> args = {"get", s.link, "-p", "pw1", "-o", dir()};
  const auto local = dir_ / "资料.bin";

  server().add_fault({"cut", "700000", "share", "/dl/", 1});
  CliResult r = cli(args);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("资料.bin 下载失败：读文件出错!"), std::string::npos) << r.err;
  ASSERT_EQ(std::filesystem::file_size(local), 700000u);

  // Ctrl-C while the file's answer is delayed: the partial file stays as it was.
  server().add_fault({"latency", "2000", "share", "/dl/", 1});
  server().clear_request_log();
  pid_t pid = start(args);
  for (int i = 0; i < 1000 && share_requests("/dl/").empty(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_EQ(::kill(pid, SIGINT), 0);
  r = finish(pid);
  EXPECT_EQ(r.status, 130);
  EXPECT_NE(r.err.find("已停止"), std::string::npos) << r.err;
  EXPECT_EQ(sha256_file(local), sha256_of(test::generated_bytes(test::Pattern::dense, 0, 700000)));
  EXPECT_TRUE(std::filesystem::exists(dir_ / ".资料.bin.quarrow"));

  server().clear_request_log();
  server().reset_stats();
  r = cli(args);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, local.string() + "\n");
  EXPECT_NE(r.err.find("100%\n"), std::string::npos) << "plain progress lines off a terminal: " << r.err;
  EXPECT_EQ(share_requests("/dl/").at(0).header("Range").value_or(""), "bytes=700000-");
  EXPECT_EQ(server().stats().file_bytes_sent, size - 700000);
  EXPECT_FALSE(std::filesystem::exists(dir_ / ".资料.bin.quarrow"));
  EXPECT_EQ(sha256_file(local), s.sha256);
}

TEST_F(CliGetTest, FailuresExitNonZero) {
  Shared locked = share_bytes("locked.txt", "l", "right");
  struct Case {
    const char* name;
    std::vector<std::string> args;
    std::string share;
    int status;
    const char* message;
  };
  const Case cases[] = {
      {"wrong password", {"get", locked.link, "-p", "wrong", "-o", dir()}, {}, 1, "下载文件失败，下载地址已失效！"},
      {"share host unreachable", {"get", share_url() + "/" + locked.file.key, "-o", dir()},
       "http://127.0.0.1:" + std::to_string(closed_port()), 4, "无法连接服务器"},
      {"no link", {"get", "-o", dir()}, {}, 2, "usage: quarrow-cli get"},
      {"link and id", {"get", locked.link, "--id", "5"}, {}, 2, "usage: quarrow-cli get"},
      {"a folder id", {"get", "--id", "5/"}, {}, 2, "不能直接下载文件夹"},
      {"not logged in", {"get", "--id", "5", "-o", dir()}, {}, 3, "not logged in"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CliResult r = cli(c.args, {}, c.share);
    EXPECT_EQ(r.status, c.status);
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
  }
  EXPECT_EQ(sha256_file(dir_ / "locked.txt"), "") << "no file from any of them";
}

TEST_F(CliGetTest, ADiskFileById) {
  std::string account;
  new_user("cli", &account, "secret123");
  auto file = server().create_file(account, "by id.txt", "from the logged-in disk");
  server().set_file_password(file.id, true, "zz");
  ASSERT_EQ(cli({"login", account, "--password-stdin"}, "secret123\n").status, 0);
  write_file(dir_ / "by id.txt", "already here");
  CliResult r = cli({"get", "--id", std::to_string(file.id), "-o", dir()});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, (dir_ / "by id (1).txt").string() + "\n");
  EXPECT_EQ(sha256_file(dir_ / "by id.txt"), sha256_of("already here"));
  EXPECT_EQ(sha256_file(dir_ / "by id (1).txt"), sha256_of("from the logged-in disk"));
}

}  // namespace
}  // namespace quarrow::testing
