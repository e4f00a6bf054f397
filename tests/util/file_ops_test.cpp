#include "util/file_ops.h"

#include <gtest/gtest.h>

#include "temp_dir.h"
#include "util/codepage.h"

namespace quarrow::util {
namespace {

TEST(FileOps, PathPieces) {
  EXPECT_EQ(folder_of_path("/a/b/c.txt"), "/a/b/");
  EXPECT_EQ(folder_of_path("c.txt"), "");
  EXPECT_EQ(file_name_of_path("/a/b/c.txt"), "c.txt");
  EXPECT_EQ(file_name_of_path("c.txt"), "c.txt");
  EXPECT_EQ(file_name_of_path("/a/b/"), "");
  EXPECT_EQ(with_trailing_slash("/a"), "/a/");
  EXPECT_EQ(with_trailing_slash("/a/"), "/a/");
}

TEST(FileOps, FoldersAndFilesWithChineseNames) {
  testing::TempDir dir;
  Text folder = dir.text() + "下载/子目录"_t;
  EXPECT_FALSE(file_exists(folder));
  EXPECT_TRUE(ensure_folder(folder));
  EXPECT_TRUE(is_folder(folder));
  EXPECT_TRUE(file_exists(folder));
  EXPECT_EQ(file_size(folder), 0);

  Text file = folder + "/报告.txt"_t;
  testing::write_file(local_path(file), "12345");
  EXPECT_TRUE(file_exists(file));
  EXPECT_FALSE(is_folder(file));
  EXPECT_EQ(file_size(file), 5);
  EXPECT_FALSE(ensure_folder(file));  // a file is in the way

  remove_local_file(file);
  EXPECT_FALSE(file_exists(file));
  EXPECT_EQ(file_size(file), -1);
  EXPECT_FALSE(file_exists(""));
}

}  // namespace
}  // namespace quarrow::util
