#include "shell/config_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "shell/run_dir.h"
#include "temp_dir.h"
#include "util/codepage.h"

namespace quarrow::shell {
namespace {

class ConfigStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { set_run_dir(dir_.text()); }
  std::string file() const { return testing::read_file(dir_ / "config"); }

  testing::TempDir dir_;
};

TEST_F(ConfigStoreTest, MissingFileReadsDefaultsAndWriteCreatesItPrivately) {
  EXPECT_EQ(config_read("配置"_t, "ck", "fallback"), "fallback");
  EXPECT_EQ(config_read("配置"_t, "ck"), "");
  config_write("配置"_t, "ck", "");
  EXPECT_EQ(config_read("配置"_t, "ck", "fallback"), "");  // present with an empty value

  struct stat st;
  ASSERT_EQ(::stat((dir_ / "config").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(util::utf8_to_gbk(file()).size(), file().size()) << "written in GB18030";
  EXPECT_EQ(file(), util::utf8_to_gbk("[配置]\nck=\n"));
}

TEST_F(ConfigStoreTest, NamesIgnoreCaseAndOtherLinesSurvive) {
  testing::write_file(dir_ / "config",
                      "; a comment\r\n[Other]\r\nkeep=1\r\nstray line\r\n\r\n[Settings]\r\nWidth=10\r\n");
  EXPECT_EQ(config_read("settings", "WIDTH"), "10");
  config_write("SETTINGS", "width", "20");
  config_write("Settings", "Height", "30");
  config_write("New", "k", "v");
  config_remove("other", "KEEP");
  config_remove("absent", "x");
  EXPECT_EQ(file(),
            "; a comment\r\n[Other]\r\nstray line\r\n\r\n[Settings]\r\nwidth=20\r\nHeight=30\r\n\r\n[New]\r\nk=v\r\n");
}

TEST_F(ConfigStoreTest, ValuesComeBackWhole) {
  const Text values[] = {
      Text(200000, 'A'),  // far beyond any fixed read buffer
      "  leading and trailing  ",
      "\"quoted\"",
      "a=b=c",
      "下载设置/路径 😀"_t,
  };
  for (const auto& value : values) {
    SCOPED_TRACE(value.substr(0, 40));
    config_write("超级列表框"_t, "超级列表框_下载列表"_t, value);
    EXPECT_EQ(config_read("超级列表框"_t, "超级列表框_下载列表"_t), value);
  }
}

TEST_F(ConfigStoreTest, AWriteInterruptedBeforeTheRenameLeavesTheOldFile) {
  config_write("配置"_t, "账号"_t, "old");
  const std::string before = file();
  ASSERT_EXIT(
      {
        detail::before_config_rename = [] { ::_exit(7); };
        config_write("配置"_t, "账号"_t, "new");
      },
      ::testing::ExitedWithCode(7), "");
  EXPECT_EQ(file(), before);
  EXPECT_EQ(config_read("配置"_t, "账号"_t), "old");
  config_write("配置"_t, "账号"_t, "newer");  // a stray temporary file does not get in the way
  EXPECT_EQ(config_read("配置"_t, "账号"_t), "newer");
}

TEST_F(ConfigStoreTest, LineBreaksInAValueCannotSplitTheEntry) {
  config_write("s", "k", "one\r\ntwo");
  config_write("s", "other", "x");
  EXPECT_EQ(config_read("s", "k"), "one  two");
  EXPECT_EQ(config_read("s", "other"), "x");
}

}  // namespace
}  // namespace quarrow::shell
