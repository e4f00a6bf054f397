#include <gtest/gtest.h>

#include <filesystem>

#include "e2e_fixture.h"
#include "run_program.h"
#include "shell/config_store.h"
#include "shell/scramble.h"
#include "upload_support.h"

namespace quarrow::testing {
namespace {

class CliPutTest : public E2eTest {
 protected:
  ProgramResult put(std::vector<std::string> args) {
    args.insert(args.begin(), "put");
    return run_program(QUARROW_CLI_BINARY, args,
                       {{"QUARROW_DISK_HOST", disk_url()},
                        {"QUARROW_SHARE_HOST", share_url()},
                        {"QUARROW_RUN_DIR", run_dir_.path().string()},
                        {"ASAN_OPTIONS", "detect_leaks=0"}});
  }
  // The saved log-in the CLI reads.
  void save_login() {
    std::string cookie = new_user("put", &account_);
    shell::config_write("配置"_t, "ck", shell::scramble_text(cookie));
  }
  std::string path(const std::string& name, const std::string& content) {
    write_file(files_ / name, content);
    return (files_ / name).string();
  }

  std::string account_;
  TempDir files_;
};

TEST_F(CliPutTest, UsageAndLogIn) {
  const std::string a = path("a.txt", "x");
  struct Case {
    std::vector<std::string> args;
    int status;
  };
  const Case cases[] = {
      {{}, 2}, {{a, "--folder"}, 2}, {{a, "--folder", "abc"}, 2}, {{a, "--force"}, 2}, {{a}, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    ProgramResult r = put(c.args);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_EQ(r.out, "");
  }
  EXPECT_TRUE(upload_requests(server()).empty());
}

TEST_F(CliPutTest, OneLinePerFileAndTheExitStatus) {
  save_login();
  auto folder = server().create_folder(account_, "上传");
  const std::string report = path("报告.pdf", "%PDF"), data = path("data.bin", std::string(3000, 'd')),
                    empty = path("empty.txt", ""), missing = (files_ / "missing.txt").string();

  ProgramResult r = put({report, missing, data, "--folder", std::to_string(folder.id) + "/", empty});
  EXPECT_EQ(r.status, 1) << "two files were refused";
  EXPECT_EQ(r.out, report + "\t上传成功\n" + missing + "\t文件尺寸超出范围(-1)\n" + data + "\t上传成功\n" + empty +
                       "\t文件尺寸超出范围(0)\n");
  auto uploads = upload_requests(server());
  ASSERT_EQ(uploads.size(), 2u) << "refused files are not sent";
  for (const auto& u : uploads) EXPECT_EQ(form_field(u.body, "folder_id"), std::to_string(folder.id));
  EXPECT_EQ(find_file(server(), account_, "报告.pdf")->folder, folder.id);
  EXPECT_EQ(find_file(server(), account_, "data.bin.ke")->size, 3000u);

  ProgramResult json = put({"--json", report});
  EXPECT_EQ(json.status, 0) << json.err;
  EXPECT_EQ(json.out, "[\n  {\"path\":\"" + report + "\",\"info\":\"上传成功\",\"ok\":true}\n]\n");

  // The service's refusal is the file's line, and a failure.
  std::string other;
  new_user("other", &other);
  auto foreign = server().create_folder(other, "别人的");
  ProgramResult refused = put({report, "--folder", std::to_string(foreign.id)});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.out, report + "\t文件夹不存在\n");
}

}  // namespace
}  // namespace quarrow::testing
