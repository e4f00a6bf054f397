#include <gtest/gtest.h>

#include <filesystem>

#include "temp_dir.h"
#include "upload/upload_queue.h"

namespace quarrow::testing {
namespace {

using namespace quarrow::upload;

// The size rule at its edges; sparse files keep the big ones cheap.
TEST(UploadQueue, AddsOnlyFilesWithinTheSizeRule) {
  TempDir dir;
  auto sized = [&](const std::string& name, uintmax_t size) {
    write_file(dir / name, "");
    std::filesystem::resize_file(dir / name, size);
    return dir.text() + name;
  };
  const Text limit = sized("limit.bin", 104857600), over = sized("over.bin", 104857601), empty = sized("empty.txt", 0),
             small = sized("small.txt", 5), huge = sized("huge.iso", 5ull << 30);
  std::filesystem::create_directory(dir / "folder");
  const Text paths = limit + "\r\n" + over + "\r\n" + empty + "\r\n" + dir.text() + "folder\r\n" + dir.text() +
                     "missing.txt\r\n" + huge + "\r\n\r\n" + small + "\r\n" + small + "\r\n";

  std::vector<UploadTask> tasks = upload_tasks_for(paths, "42", 3);
  const std::vector<UploadTask> expected = {
      {"4", "limit.bin", "100 MB", "等待上传"_t, dir.text(), "42"},
      {"5", "small.txt", "5 B", "等待上传"_t, dir.text(), "42"},
      {"6", "small.txt", "5 B", "等待上传"_t, dir.text(), "42"},  // no check for duplicates
  };
  EXPECT_EQ(tasks, expected);
  EXPECT_TRUE(upload_tasks_for("", "-1", 0).empty());
}

// Sends answers from a script, and can append rows or stop the run while a
// file is "on the wire".
struct ScriptedRun {
  MemoryUploadRows rows;
  std::atomic<bool> cancel{false};
  std::vector<Text> sent;  // path and folder of every request
  std::function<void(int)> during_send;

  bool run(std::vector<Text> answers) {
    return upload_runner(rows, &cancel, [&, answers](const Text& path, const Text& folder, const std::atomic<bool>*) {
      sent.push_back(util_name(path) + "@" + folder);
      int n = static_cast<int>(sent.size());
      if (during_send) during_send(n);
      return n <= static_cast<int>(answers.size()) ? answers[n - 1] : Text();
    });
  }
  static Text util_name(const Text& path) { return path.substr(path.rfind('/') + 1); }
  std::vector<Text> states() {
    std::vector<Text> s;
    for (int i = 0; i < rows.count(); ++i) s.push_back(rows.row(i)[kStateColumn]);
    return s;
  }
};

TEST(UploadQueue, PassesUntilNoRowWaits) {
  TempDir dir;
  for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt", "late.txt"}) write_file(dir / name, "data");
  ScriptedRun run;
  auto add = [&](const char* name, const char* folder) {
    run.rows.append(new_upload_task(run.rows.count() + 1, dir.text() + name, 4, folder));
  };
  add("a.txt", "1");
  add("gone.txt", "1");  // deleted after it was added
  add("b.txt", "2");
  add("c.txt", "2");
  run.rows.set_state(3, "上传成功"_t);  // an end state is never sent again
  add("d.txt", "3");
  run.during_send = [&](int n) {
    if (n == 1) add("late.txt", "9");
  };

  EXPECT_TRUE(run.run({R"({"zt":1,"info":"上传成功","text":[]})"_t, "<html>bad gateway</html>",
                       R"({"zt":0,"info":"不支持该文件类型","text":null})"_t, R"({"zt":1,"info":"上传成功"})"_t}));
  EXPECT_EQ(run.sent, (std::vector<Text>{"a.txt@1", "b.txt@2", "d.txt@3", "late.txt@9"}))
      << "the row added during the first pass goes in a second one";
  EXPECT_EQ(run.states(), (std::vector<Text>{"上传成功"_t, "文件尺寸超出范围(-1)"_t, "上传异常，未知状态"_t, "上传成功"_t,
                                             "不支持该文件类型"_t, "上传成功"_t}));
}

TEST(UploadQueue, AStopLeavesTheRowBeingSent) {
  TempDir dir;
  write_file(dir / "a.txt", "data");
  ScriptedRun run;
  for (int i = 0; i < 3; ++i) run.rows.append(new_upload_task(i + 1, dir.text() + "a.txt", 4, "-1"));
  run.during_send = [&](int) { run.cancel = true; };
  EXPECT_FALSE(run.run({R"({"zt":1,"info":"上传成功"})"_t}));
  EXPECT_EQ(run.sent.size(), 1u);
  EXPECT_EQ(run.states(), (std::vector<Text>{"正在上传"_t, "等待上传"_t, "等待上传"_t}));
}

}  // namespace
}  // namespace quarrow::testing
