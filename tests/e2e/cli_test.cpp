#include <gtest/gtest.h>

#include "e2e_fixture.h"
#include "run_program.h"

namespace quarrow::testing {
namespace {

class CliTest : public E2eTest {
 protected:
  ProgramResult cli(std::vector<std::string> args, const std::string& input = {}) {
    return run_program(QUARROW_CLI_BINARY, args,
                       {{"QUARROW_DISK_HOST", disk_host_.empty() ? disk_url() : disk_host_},
                        {"QUARROW_SHARE_HOST", share_url()},
                        {"QUARROW_RUN_DIR", run_dir_.path().string()},
                        {"ASAN_OPTIONS", "detect_leaks=0"}},
                       input);
  }
  std::string disk_host_;
};

TEST_F(CliTest, ANewUsersSession) {
  std::string account;
  new_user("cli", &account, "pass1234");
  auto photos = server().create_folder(account, "照片");
  auto file = server().create_file(account, "报告.pdf", std::string(1536, 'x'));

  EXPECT_EQ(cli({"whoami"}).status, 3) << "not logged in yet";
  ProgramResult wrong = cli({"login", account, "--password-stdin"}, "nope\n");
  EXPECT_EQ(wrong.status, 1);
  EXPECT_NE(wrong.err.find("用户密码不正确"), std::string::npos) << wrong.err;

  ASSERT_EQ(cli({"login", account, "--password-stdin"}, "pass1234\n").status, 0);
  ProgramResult who = cli({"whoami"});
  EXPECT_EQ(who.out, account + "\n");

  ProgramResult ls = cli({"ls"});
  ASSERT_EQ(ls.status, 0) << ls.err;
  EXPECT_NE(ls.out.find(std::to_string(photos.id) + "/\t照片\t\t\n"), std::string::npos) << ls.out;
  EXPECT_NE(ls.out.find(std::to_string(file.id) + "\t报告.pdf\t1.5 K"), std::string::npos) << ls.out;
  EXPECT_EQ(cli({"ls", "--json"}).out.rfind("[\n  {\"id\":\"", 0), 0u);

  ProgramResult made = cli({"mkdir", std::to_string(photos.id) + "/", "2024 年", "假期"});
  EXPECT_EQ(made.status, 0) << made.err;
  ProgramResult inside = cli({"ls", std::to_string(photos.id)});
  EXPECT_NE(inside.out.find("\t2024 年\t"), std::string::npos) << inside.out;

  EXPECT_EQ(cli({"passwd", std::to_string(file.id), "on", "abc"}).status, 0);
  ProgramResult shared = cli({"share", std::to_string(file.id)});
  EXPECT_EQ(shared.out, share_url() + "/" + file.key + "\n密码:abc\n");
  EXPECT_EQ(cli({"passwd", std::to_string(file.id), "off"}).status, 0);
  EXPECT_EQ(cli({"share", std::to_string(file.id)}).out, share_url() + "/" + file.key + "\n");

  EXPECT_EQ(cli({"describe", std::to_string(file.id), "季度 报告"}).status, 0);
  EXPECT_EQ(server().file(file.id)->des, "季度 报告");
  EXPECT_EQ(cli({"rename", std::to_string(photos.id), "Photos"}).status, 0);
  EXPECT_EQ(server().folder(photos.id)->name, "Photos");

  ProgramResult removed = cli({"rm", std::to_string(file.id), "999999"});
  EXPECT_EQ(removed.status, 1) << "one of the two failed";
  EXPECT_TRUE(server().file(file.id)->deleted);

  EXPECT_EQ(cli({"rm", "abc"}).status, 2);
  EXPECT_EQ(cli({"frobnicate"}).status, 2);
  EXPECT_NE(cli({"--help"}).out.find("passwd ID on|off"), std::string::npos);

  EXPECT_EQ(cli({"logout"}).status, 0);
  EXPECT_EQ(cli({"whoami"}).status, 3);
}

TEST_F(CliTest, ExpiredAndUnreachable) {
  std::string account;
  new_user("cli2", &account, "pass1234");
  ASSERT_EQ(cli({"login", account, "--password-stdin"}, "pass1234\n").status, 0);
  server().expire_sessions(account);
  ProgramResult expired = cli({"ls"});
  EXPECT_EQ(expired.status, 3);
  EXPECT_NE(expired.err.find("expired"), std::string::npos);

  disk_host_ = "http://127.0.0.1:1";
  ProgramResult offline = cli({"ls"});
  EXPECT_EQ(offline.status, 4);
  EXPECT_NE(offline.err.find("无法连接服务器"), std::string::npos);
}

}  // namespace
}  // namespace quarrow::testing
