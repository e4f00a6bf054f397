// Task rows, tab captions, safe names, partial-file records and the choice of
// the target name. No server needed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "download/memory_rows.h"
#include "download/partial_file.h"
#include "download/task_records.h"
#include "download_support.h"
#include "util/codepage.h"

namespace quarrow::testing {
namespace {

using namespace download;

TEST(SafeFileName, NeverLeavesTheFolder) {
  const std::string long_base(300, 'x');
  std::string long_chinese;
  for (int i = 0; i < 120; ++i) long_chinese += "中";
  struct Case {
    Text name;
    Text expected;
  };
  const Case cases[] = {
      {"report.pdf", "report.pdf"},
      {"中文 名.txt"_t, "中文 名.txt"_t},
      {"../../etc/passwd", ".._.._etc_passwd"},
      {"/abs/path.txt", "_abs_path.txt"},
      {"a\\b\\..\\c", "a_b_.._c"},
      {"..", "_"},
      {".", "_"},
      {"...", "..."},
      {".hidden", ".hidden"},
      {"tab\there\r\nnul" + std::string(1, '\0') + "del\x7f.txt", "tabherenuldel.txt"},
      {"c1" + util::utf8_to_gbk_whole("\xC2\x85") + "x", "c1x"},
      // 乗 ends in the byte of "\" in GBK: it is a character, not a separator.
      {util::utf8_to_gbk_whole("乗.txt"), util::utf8_to_gbk_whole("乗.txt")},
      {"", ""},
      {long_base + ".tar.gz", std::string(197, 'x') + ".gz"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(util::gbk_to_utf8(c.name));
    EXPECT_EQ(safe_file_name(c.name), c.expected);
  }
  // A long Chinese name is cut between characters and fits the limit.
  const std::string cut = util::gbk_to_utf8(safe_file_name(util::utf8_to_gbk_whole(long_chinese + ".mp4")));
  EXPECT_LE(cut.size(), 200u);
  EXPECT_EQ(cut.substr(cut.size() - 4), ".mp4");
  EXPECT_EQ((cut.size() - 4) % 3, 0u) << "no character split";
}

TEST(TaskRecords, FindRowIsContainmentIgnoringAsciiCase) {
  MemoryTaskRows rows({new_download_task(0, "a.txt", "1 KB", "https://s.example/iAbC", "", "/d/"),
                       new_download_task(1, "中文.txt"_t, "1 KB", "https://s.example/i中文X"_t, "", "/d/")},
                      {new_download_task(0, "old.txt", "1 KB", "https://s.example/iOld", "", "/d/")});
  struct Case {
    TaskList list;
    int column;
    Text text;
    int expected;
  };
  const Case cases[] = {
      {TaskList::download, kLinkColumn, "https://s.example/iAbC", 0},
      {TaskList::download, kLinkColumn, "IABC", 0},           // part of the link, other case
      {TaskList::download, kLinkColumn, "i中文x"_t, 1},         // ASCII folded, Chinese exact
      {TaskList::download, kLinkColumn, "i中x"_t, -1},
      {TaskList::download, kLinkColumn, "iold", -1},
      {TaskList::completed, kLinkColumn, "iold", 0},
      {TaskList::download, kNameColumn, "A.TXT", 0},
      {TaskList::download, 99, "a", -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(util::gbk_to_utf8(c.text));
    EXPECT_EQ(find_row(rows, c.list, c.column, c.text), c.expected);
  }
  EXPECT_EQ(rows.downloads()[1][kNumberColumn], "2");
  EXPECT_EQ(rows.downloads()[1][kProgressColumn], "等待下载"_t);
}

TEST(TaskRecords, TabCaptionsFollowTheCounts) {
  EXPECT_EQ(tab_caption_texts(0, 0).download, "下载列表0"_t);
  EXPECT_EQ(tab_caption_texts(0, 0).completed, "下载完成0"_t);
  EXPECT_EQ(tab_caption_texts(3, 12).download, "下载列表3"_t);
  EXPECT_EQ(tab_caption_texts(3, 12).completed, "下载完成12"_t);
}

class TargetTest : public ::testing::Test {
 protected:
  Text folder() const { return dir_.text(); }
  std::filesystem::path at(const std::string& name) const { return dir_ / name; }
  void partial(const std::string& name, const std::string& bytes, const Text& link, int64_t expected) {
    write_file(at(name), bytes);
    ASSERT_TRUE(write_record(folder() + util::from_local_path(name), {link, expected}));
  }
  TempDir dir_;
};

TEST_F(TargetTest, RecordRoundTripAndRefusals) {
  const Text target = folder() + "中文.bin"_t;
  EXPECT_EQ(record_path(target), folder() + ".中文.bin.quarrow"_t);
  EXPECT_FALSE(read_record(target));
  ASSERT_TRUE(write_record(target, {"https://s/i1?x=中"_t, 4294967396LL}));
  auto record = read_record(target);
  ASSERT_TRUE(record);
  EXPECT_EQ(record->link, "https://s/i1?x=中"_t);
  EXPECT_EQ(record->expected_size, 4294967396LL);
  remove_record(target);
  EXPECT_FALSE(std::filesystem::exists(at(".中文.bin.quarrow")));

  // A file that merely has a record's name is neither read as one, replaced, nor removed.
  const std::string foreign = "my notes\n";
  write_file(at(".notes.txt.quarrow"), foreign);
  EXPECT_FALSE(read_record(folder() + "notes.txt"));
  EXPECT_FALSE(write_record(folder() + "notes.txt", {"https://s/i2", 5}));
  remove_record(folder() + "notes.txt");
  // No temporary is left behind by writing records.
  for (const auto& entry : std::filesystem::directory_iterator(dir_.path()))
    EXPECT_EQ(entry.path().extension(), ".quarrow") << entry.path();
  EXPECT_EQ(sha256_file(at(".notes.txt.quarrow")), sha256_of(foreign));
}

TEST_F(TargetTest, TakenNamesGetTheNextFreeNumber) {
  const Text link = "https://s/iMine";
  const std::string user_bytes = "the user's own file";
  write_file(at("taken.pdf"), user_bytes);                         // no record: the user's
  write_file(at("two.pdf"), "x");
  write_file(at("two (1).pdf"), "y");
  partial("mine.pdf", "12345", link, 100);                         // this task's partial
  partial("other.pdf", "12", "https://s/iOther", 100);             // another task's partial
  ASSERT_TRUE(write_record(folder() + "gone.pdf", {"https://s/iOther", 7}));  // its file was removed
  write_file(at(".spot.pdf.quarrow"), "not a record");             // the record's place is taken
  std::filesystem::create_directory(at("folder.pdf"));
  std::filesystem::create_symlink(at("nowhere"), at("link.pdf"));  // dangling
  write_file(at("README"), "x");
  write_file(at(".bashrc"), "x");
  write_file(at("a.tar.gz"), "x");

  struct Case {
    Text wanted;
    Text name;
    bool own;
    int64_t size;
  };
  const Case cases[] = {
      {"free.pdf", "free.pdf", false, 0},
      {"taken.pdf", "taken (1).pdf", false, 0},
      {"two.pdf", "two (2).pdf", false, 0},
      {"mine.pdf", "mine.pdf", true, 5},
      {"other.pdf", "other (1).pdf", false, 0},
      {"gone.pdf", "gone.pdf", false, 0},
      {"spot.pdf", "spot (1).pdf", false, 0},
      {"folder.pdf", "folder (1).pdf", false, 0},
      {"link.pdf", "link (1).pdf", false, 0},
      {"README", "README (1)", false, 0},
      {".bashrc", ".bashrc (1)", false, 0},
      {"a.tar.gz", "a.tar (1).gz", false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.wanted);
    Target t = choose_target(folder(), c.wanted, link);
    EXPECT_EQ(t.name, c.name);
    EXPECT_EQ(t.path, folder() + c.name);
    EXPECT_EQ(t.own_partial, c.own);
    if (c.own) {
      EXPECT_EQ(t.partial_size, c.size);
      EXPECT_EQ(t.expected_size, 100);
    }
  }
  // A folder given without its slash works the same.
  EXPECT_EQ(choose_target(dir_.path().string(), "taken.pdf", link).path, folder() + "taken (1).pdf");
  EXPECT_EQ(sha256_file(at("taken.pdf")), sha256_of(user_bytes));
}

}  // namespace
}  // namespace quarrow::testing
