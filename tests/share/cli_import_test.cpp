// quarrow-cli import as a user runs it: a separate process pointed at the emulator.
#include <gtest/gtest.h>

#include <filesystem>

#include "json_value.h"
#include "run_program.h"
#include "shell/config_store.h"
#include "share_support.h"

namespace quarrow::testing {
namespace {

class CliImportTest : public ShareTest {
 protected:
  ProgramResult cli(const std::vector<std::string>& args, const std::string& input = {}) {
    std::vector<std::string> all = {"import"};
    all.insert(all.end(), args.begin(), args.end());
    return run_program(QUARROW_CLI_BINARY, all,
                       {{"QUARROW_DISK_HOST", disk_url()},
                        {"QUARROW_SHARE_HOST", share_url()},
                        {"QUARROW_RUN_DIR", run_dir_.path().string()}},
                       input);
  }
  std::string dir() const { return save_dir_.path().string(); }

  TempDir save_dir_;
  TempDir io_;
};

TEST_F(CliImportTest, PrintsTheCandidates) {
  test::FileInfo single = share_file("单个.txt", "single");
  test::FolderInfo folder = server().create_folder(account(), "cli folder");
  test::FileInfo f1 = share_file("x.bin.ke", "xx", {}, folder.id);
  test::FileInfo locked = share_file("locked.txt", "locked", "p1");
  const std::string texts = link_of(single) + "\n" + link_of(folder) + "\n\n" + link_of(locked) + "\n密码:p1\n" +
                            share_url() + "/pub/plain.iso?x=1\n";
  write_file(io_ / "links.txt", "\xEF\xBB\xBF" + texts);

  // Names follow the desktop's "智能处理ke扩展名" setting.
  shell::config_write("下载设置"_t, "选择框_智能处理ke扩展名"_t, "真"_t);
  ProgramResult r = cli({(io_ / "links.txt").string()});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string http = "http://" + share_url().substr(7) + "/";
  EXPECT_EQ(r.out, "单个.txt\t6 B\t" + link_of(single) + "\t\t" + direct_of(single) + "\n" +
                       "x.bin\t2 B\t" + http + f1.key + "\t\t" + direct_of(f1) + "\n" +
                       "locked.txt\t6 B\t" + link_of(locked) + "\tp1\t" + direct_of(locked, "p1") + "\n" +
                       "plain.iso\t未知\t\t\t" + share_url() + "/pub/plain.iso?x=1\n");

  shell::config_write("下载设置"_t, "选择框_智能处理ke扩展名"_t, "假"_t);
  r = run_program(QUARROW_CLI_BINARY, {"--json", "import", "-"},
                  {{"QUARROW_DISK_HOST", disk_url()},
                   {"QUARROW_SHARE_HOST", share_url()},
                   {"QUARROW_RUN_DIR", run_dir_.path().string()}},
                  texts);
  ASSERT_EQ(r.status, 0) << r.err;
  auto json = test::JsonValue::parse(r.out);
  ASSERT_TRUE(json.has_value()) << r.out;
  const auto& candidates = (*json)["candidates"];
  ASSERT_EQ(candidates.size(), 4u);
  EXPECT_EQ(candidates[1]["name"].str(), "x.bin.ke");
  EXPECT_EQ(candidates[1]["type"].str(), ".ke");
  EXPECT_EQ(candidates[2]["password"].str(), "p1");
  EXPECT_EQ(candidates[3]["size"].str(), "未知");
  EXPECT_FALSE(json->has("saved"));
}

TEST_F(CliImportTest, DownloadsEveryCandidate) {
  const std::string a_bytes = test::generated_bytes(test::Pattern::dense, 0, 300000);
  test::FileInfo a = share_file("甲.bin", a_bytes, "pw");
  test::FolderInfo folder = server().create_folder(account(), "dl folder");
  test::FileInfo b = share_file("b.txt", "folder entry bytes", {}, folder.id);
  test::FileInfo c = share_file("c.dat", std::string(5000, 'c'));
  const std::string texts = link_of(a) + "\n密码:pw\n" + link_of(folder) + "\n" + direct_of(c) + "\n";

  server().clear_request_log();
  ProgramResult r = cli({"-", "--download", "-o", dir()}, texts);
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string expected_paths = dir() + "/甲.bin\n" + dir() + "/b.txt\n" + dir() + "/c.dat\n";
  EXPECT_TRUE(r.out.ends_with(expected_paths)) << r.out;
  EXPECT_EQ(sha256_file(save_dir_ / "甲.bin"), sha256_of(a_bytes));
  EXPECT_EQ(sha256_file(save_dir_ / "b.txt"), sha256_of("folder entry bytes"));
  EXPECT_EQ(sha256_file(save_dir_ / "c.dat"), sha256_of(std::string(5000, 'c')));
  // The share links are resolved again before their transfers, with their passwords.
  EXPECT_EQ(share_requests("/" + a.key).size(), 2u);
  EXPECT_EQ(share_requests("/dl/").size(), 3u + 1u);  // the header read of the direct URL, then three transfers
}

TEST_F(CliImportTest, FailuresAndWrongUsage) {
  test::FileInfo ok = share_file("fine.txt", "fine");
  test::FileInfo locked = share_file("locked.txt", "l", "right");
  struct Case {
    const char* name;
    std::vector<std::string> args;
    std::string input;
    int status;
    std::string err;
  };
  const Case cases[] = {
      {"no source", {}, {}, 2, "usage: quarrow-cli import"},
      {"-o without --download", {"-", "-o", dir()}, {}, 2, "usage: quarrow-cli import"},
      {"two sources", {"a", "b"}, {}, 2, "usage: quarrow-cli import"},
      {"unreadable file", {(io_ / "missing.txt").string()}, {}, 1, "cannot read"},
      {"a dead link among good ones", {"-", "--download", "-o", dir()},
       link_of(ok) + "\n" + link_of(locked) + "密码:wrong\n", 1, "下载文件失败，下载地址已失效！\n链接:" + link_of(locked)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProgramResult r = cli(c.args, c.input);
    EXPECT_EQ(r.status, c.status);
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err << "\nwanted: " << c.err;
  }
  EXPECT_EQ(sha256_file(save_dir_ / "fine.txt"), sha256_of("fine"));
  EXPECT_FALSE(std::filesystem::exists(save_dir_ / "locked.txt"));

  // Empty input: nothing found, nothing to do.
  ProgramResult r = cli({"-", "--download", "-o", dir()}, "\n\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");
}

}  // namespace
}  // namespace quarrow::testing
