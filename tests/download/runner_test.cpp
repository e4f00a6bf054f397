// download_runner over in-memory rows against the emulator: several rows,
// dead links, outages, failures, stop and resume, and files it must not touch.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>
#include <utility>

#include "download/download_state.h"
#include "download/memory_rows.h"
#include "download/partial_file.h"
#include "download/ranged_download.h"
#include "download/runner.h"
#include "download/task_records.h"
#include "download_support.h"
#include "net/endpoints.h"
#include "shell/run_dir.h"
#include "util/codepage.h"
#include "util/size_text.h"

namespace quarrow::testing {
namespace {

using namespace download;

class RunnerTest : public DownloadTest {
 protected:
  void SetUp() override {
    DownloadTest::SetUp();
    download_state().busy = 0;
  }

  TaskRow row(const Text& name, const Shared& s, const Text& password = {}) {
    return new_download_task(0, name, "等待计算"_t, s.link, password, dir_.text());
  }

  RunOutcome run(MemoryTaskRows& rows, MemoryRunnerHost& host) {
    EXPECT_TRUE(begin_download_run(rows, host));
    RunOutcome out;
    std::thread worker([&] { out = download_runner(rows, host); });
    worker.join();
    EXPECT_FALSE(download_run_active());
    EXPECT_EQ(download_state().busy, 0);
    return out;
  }

  static bool contains(const std::vector<Text>& texts, const Text& text) {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
  }
};

TEST_F(RunnerTest, ThreeRowsOneDeadLink) {
  Shared a = share_generated("a.bin", 300000);
  Shared b = share_bytes("b.txt", "second file", "k9");
  const Text dead = dead_link();
  MemoryTaskRows rows({row("a.bin", a), new_download_task(1, "dead.bin", "1 KB", dead, "pw", dir_.text()),
                       new_download_task(2, "b.txt", "11 B", b.link, "k9", dir_.text())});
  MemoryRunnerHost host;
  RunOutcome out = run(rows, host);

  EXPECT_EQ(out.completed, 2);
  EXPECT_EQ(out.dead_links, 1);
  EXPECT_FALSE(out.stopped);
  auto shown = host.snapshot();
  ASSERT_EQ(shown.messages.size(), 1u);
  EXPECT_EQ(shown.messages[0], "下载文件失败，下载地址已失效！\r\n链接:"_t + dead +
                                   "\r\n密码:pw\r\n下载地址已复制，请手动打开网页粘贴下载地址进行查看!\r\n"_t +
                                   "获取失败：获取二级跳转链接为空！"_t);
  EXPECT_EQ(shown.clipboard, "链接:"_t + dead + "\r\n密码:pw"_t);
  EXPECT_EQ(shown.status[0], "下载完成"_t);
  EXPECT_EQ(shown.status[1], "b.txt") << "the last file's name stays";
  EXPECT_EQ(shown.sounds, 2);
  EXPECT_EQ(shown.running_changes, (std::vector<bool>{true, false}));
  EXPECT_TRUE(contains(shown.status_history, "正在下载"_t));

  EXPECT_TRUE(rows.downloads().empty());
  auto done = rows.completed();
  ASSERT_EQ(done.size(), 2u);
  EXPECT_EQ(done[0][kNameColumn], "b.txt") << "the newer row on top";
  EXPECT_EQ(done[1][kNameColumn], "a.bin");
  EXPECT_EQ(done[0][kNumberColumn], "1");
  EXPECT_EQ(done[1][kNumberColumn], "2");
  EXPECT_EQ(done[1][kSizeColumn], util::size_text(300000));
  EXPECT_EQ(done[1][kProgressColumn], "100%");
  EXPECT_EQ(done[0][kPasswordColumn], "k9");
  auto captions = tab_caption_texts(static_cast<int>(rows.downloads().size()), static_cast<int>(done.size()));
  EXPECT_EQ(captions.download, "下载列表0"_t);
  EXPECT_EQ(captions.completed, "下载完成2"_t);
  EXPECT_FALSE(std::filesystem::exists(dir_ / ".a.bin.quarrow")) << "the record goes with completion";
  EXPECT_EQ(sha256_file(dir_ / "a.bin"), a.sha256);
  EXPECT_EQ(sha256_file(dir_ / "b.txt"), b.sha256);
}

TEST_F(RunnerTest, RowsAddedDuringTheRunAreDownloadedInIt) {
  Shared first = share_bytes("first.txt", "first");
  Shared later = share_bytes("later.txt", "added while the first ran");
  MemoryTaskRows rows({row("first.txt", first)});
  MemoryRunnerHost host;
  bool added = false;
  host.on_status([&](int part, const Text& text) {
    if (part == 1 && text == "first.txt" && !added) {
      added = true;
      rows.append_download(row("later.txt", later));
    }
  });
  RunOutcome out = run(rows, host);
  EXPECT_EQ(out.completed, 2);
  auto done = rows.completed();
  ASSERT_EQ(done.size(), 2u);
  EXPECT_EQ(done[0][kNameColumn], "later.txt");
  EXPECT_EQ(host.snapshot().status[0], "下载完成"_t);
  EXPECT_EQ(sha256_file(dir_ / "first.txt"), first.sha256);
  EXPECT_EQ(sha256_file(dir_ / "later.txt"), later.sha256);
}

// Appends a row while the first dead link's message is up.
class AddingHost : public MemoryRunnerHost {
 public:
  void show_failure_and_wait(const Text& message) override {
    MemoryRunnerHost::show_failure_and_wait(message);
    if (auto add = std::exchange(on_message, nullptr)) add();
  }
  std::function<void()> on_message;
};

// "下载完成" only for a run that got as far as a transfer; one of dead links
// alone ends "已停止", and a row added while its message is up waits for the
// next start.
TEST_F(RunnerTest, TheEndTextOfARun) {
  struct Case {
    const char* name;
    std::vector<bool> alive;  // the rows from the top: a good share or a dead link
    bool add_during_message;
    const char* end_text;
    int completed;
    size_t left;
  };
  const Case cases[] = {
      {"one dead link", {false}, false, "已停止", 0, 0},
      {"two dead links", {false, false}, false, "已停止", 0, 0},
      {"a dead link, then a file", {false, true}, false, "下载完成", 1, 0},
      {"a file, then a dead link", {true, false}, false, "下载完成", 1, 0},
      {"a dead link, a row added meanwhile", {false}, true, "已停止", 0, 1},
      {"a file and a dead link, a row added meanwhile", {true, false}, true, "下载完成", 2, 0},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<TaskRow> start;
    for (bool alive : c.alive) {
      const std::string name = "f" + std::to_string(n++) + ".txt";
      if (alive) start.push_back(row(name, share_bytes(name, "bytes of " + name)));
      else start.push_back(new_download_task(0, name, "1 B", dead_link(), "", dir_.text()));
    }
    MemoryTaskRows rows(start);
    AddingHost host;
    if (c.add_during_message) {
      const std::string name = "later" + std::to_string(n++) + ".txt";
      const Shared later = share_bytes(name, "added while the message was up");
      host.on_message = [&rows, this, name, later] { rows.append_download(row(name, later)); };
    }
    RunOutcome out = run(rows, host);
    EXPECT_EQ(out.completed, c.completed);
    EXPECT_EQ(host.snapshot().status[0], util::utf8_to_gbk(c.end_text));
    EXPECT_EQ(rows.downloads().size(), c.left);
  }
}

TEST_F(RunnerTest, StopThenResumeAfterARestart) {
  const uint64_t size = 6 << 20;
  Shared s = share_generated("movie.mp4", size);
  MemoryTaskRows rows({row("movie.mp4", s)});
  MemoryRunnerHost host;
  host.on_status([&](int part, const Text&) {
    if (part == 2) stop_download_run(rows);  // on the first progress shown
  });
  RunOutcome out = run(rows, host);
  EXPECT_TRUE(out.stopped);
  EXPECT_EQ(out.completed, 0);
  EXPECT_EQ(host.snapshot().status[0], "已停止"_t);
  auto kept = rows.downloads();
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(kept[0][kSizeColumn], "6 MB");
  EXPECT_NE(kept[0][kProgressColumn], "等待下载"_t);
  const uint64_t partial = std::filesystem::file_size(dir_ / "movie.mp4");
  ASSERT_GT(partial, 0u);
  ASSERT_LT(partial, size);
  auto record = read_record(dir_.text() + "movie.mp4");
  ASSERT_TRUE(record);
  EXPECT_EQ(record->link, s.link);
  EXPECT_EQ(record->expected_size, static_cast<int64_t>(size));

  // A new program with the saved row: it resumes onto its own partial file.
  server().clear_request_log();
  server().reset_stats();
  MemoryTaskRows restored({kept[0]});
  MemoryRunnerHost host2;
  out = run(restored, host2);
  EXPECT_EQ(out.completed, 1);
  auto files = share_requests("/dl/");
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0].header("Range").value_or(""), "bytes=" + std::to_string(partial) + "-");
  EXPECT_EQ(server().stats().file_bytes_sent, size - partial);
  EXPECT_FALSE(read_record(dir_.text() + "movie.mp4"));
  EXPECT_EQ(sha256_file(dir_ / "movie.mp4"), s.sha256);
}

TEST_F(RunnerTest, StopWhileResolvingEndsTheRunBeforeTheTransfer) {
  Shared s = share_bytes("slow.txt", "slow page");
  server().add_fault({"latency", "1500", "share", "/" + s.file.key, 1});
  MemoryTaskRows rows({row("slow.txt", s)});
  MemoryRunnerHost host;
  ASSERT_TRUE(begin_download_run(rows, host));
  RunOutcome out;
  std::thread worker([&] { out = download_runner(rows, host); });
  for (int i = 0; i < 400 && share_requests("/" + s.file.key).empty(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  const auto asked = std::chrono::steady_clock::now();
  EXPECT_TRUE(stop_download_run(rows));
  worker.join();
  EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::milliseconds(1000)) << "the page request ends at once";
  EXPECT_TRUE(out.stopped);
  EXPECT_EQ(rows.downloads().size(), 1u);
  EXPECT_TRUE(share_requests("/dl/").empty());
  EXPECT_TRUE(host.snapshot().messages.empty());
  EXPECT_EQ(sha256_file(dir_ / "slow.txt"), "") << "no file";
}

TEST_F(RunnerTest, ResumeSwitchedOffStartsTheOwnPartialAgain) {
  Shared s = share_generated("part.bin", 200000);
  write_file(dir_ / "part.bin", std::string(5000, 'x'));  // wrong bytes: only a fresh start repairs them
  ASSERT_TRUE(write_record(dir_.text() + "part.bin", {s.link, 200000}));
  MemoryTaskRows rows({row("part.bin", s)});
  MemoryRunnerHost host;
  host.set_resume_enabled(false);
  EXPECT_EQ(run(rows, host).completed, 1);
  auto files = share_requests("/dl/");
  ASSERT_EQ(files.size(), 1u);
  EXPECT_FALSE(files[0].header("Range"));
  EXPECT_EQ(rows.completed()[0][kNameColumn], "part.bin");
  EXPECT_EQ(sha256_file(dir_ / "part.bin"), s.sha256);
}

TEST_F(RunnerTest, CompleteFileWithItsRecordNeedsNoBytes) {
  Shared s = share_generated("done.bin", 70000);
  write_file(dir_ / "done.bin", test::generated_bytes(test::Pattern::dense, 0, 70000));
  ASSERT_TRUE(write_record(dir_.text() + "done.bin", {s.link, 70000}));
  MemoryTaskRows rows({row("done.bin", s)});
  MemoryRunnerHost host;
  EXPECT_EQ(run(rows, host).completed, 1);
  EXPECT_EQ(server().stats().file_bytes_sent, 0u);
  auto done = rows.completed();
  ASSERT_EQ(done.size(), 1u);
  EXPECT_EQ(done[0][kSizeColumn], util::size_text(70000));
  EXPECT_EQ(done[0][kProgressColumn], "100%");
  EXPECT_FALSE(read_record(dir_.text() + "done.bin"));
  EXPECT_EQ(sha256_file(dir_ / "done.bin"), s.sha256);
}

TEST_F(RunnerTest, FilesItDidNotStartAreNeverTouched) {
  Shared s = share_bytes("report.pdf", "the shared report");
  const std::string mine = "the user's own report";
  write_file(dir_ / "report.pdf", mine);
  // The same share queued twice: the second finds the first one's finished file.
  MemoryTaskRows rows({row("report.pdf", s), row("report.pdf", s)});
  MemoryRunnerHost host;
  RunOutcome out = run(rows, host);
  EXPECT_EQ(out.completed, 2);
  auto done = rows.completed();
  ASSERT_EQ(done.size(), 1u) << "a link already in the completed list gets no second row";
  EXPECT_EQ(done[0][kNameColumn], "report (1).pdf") << "the name used";
  EXPECT_EQ(sha256_file(dir_ / "report.pdf"), sha256_of(mine));
  EXPECT_EQ(sha256_file(dir_ / "report (1).pdf"), s.sha256);
  EXPECT_EQ(sha256_file(dir_ / "report (2).pdf"), s.sha256);
}

TEST_F(RunnerTest, NamesFromTheNetworkStayInTheFolder) {
  Shared s = share_bytes("..\\..\\evil.txt", "named by the service");
  MemoryTaskRows rows({row("../../row.txt", s), row("", s)});
  MemoryRunnerHost host;
  EXPECT_EQ(run(rows, host).completed, 2);
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir_.path()))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{".._.._evil.txt", ".._.._row.txt"}));
  EXPECT_FALSE(std::filesystem::exists(dir_.path().parent_path() / "row.txt"));
  EXPECT_EQ(sha256_file(dir_ / ".._.._evil.txt"), s.sha256);
}

TEST_F(RunnerTest, AFailedTransferKeepsItsRowAndTheRunGoesOn) {
  Shared a = share_generated("a.bin", 400000);
  Shared b = share_bytes("b.txt", "next in line");
  const Text direct = direct_url(a);
  const std::string a_path = util::gbk_to_utf8(direct.substr(share_url().size()));
  server().add_fault({"cut", "100000", "share", a_path});  // every time
  server().clear_request_log();
  MemoryTaskRows rows({row("a.bin", a), row("b.txt", b)});
  MemoryRunnerHost host;
  RunOutcome out = run(rows, host);

  const Text failure_text = "a.bin 下载失败："_t + failure::read_error();
  EXPECT_EQ(out.failures, std::vector<Text>{failure_text});
  EXPECT_EQ(out.completed, 1);
  EXPECT_EQ(share_requests(a_path).size(), 1u) << "not tried again in the same run";
  EXPECT_TRUE(contains(host.snapshot().status_history, failure_text));
  auto kept = rows.downloads();
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(kept[0][kNameColumn], "a.bin");
  EXPECT_EQ(std::filesystem::file_size(dir_ / "a.bin"), 100000u);
  EXPECT_TRUE(read_record(dir_.text() + "a.bin"));

  // The next run resumes it.
  server().clear_faults();
  server().clear_request_log();
  out = run(rows, host);
  EXPECT_EQ(out.completed, 1);
  EXPECT_EQ(share_requests(a_path).at(0).header("Range").value_or(""), "bytes=100000-");
  EXPECT_EQ(rows.completed().size(), 2u);
  EXPECT_EQ(sha256_file(dir_ / "a.bin"), a.sha256);
  EXPECT_EQ(sha256_file(dir_ / "b.txt"), b.sha256);
}

TEST_F(RunnerTest, AnOutageNeverEmptiesTheQueue) {
  const Text offline = "http://127.0.0.1:" + std::to_string(closed_port());
  net::set_endpoints(disk_url(), offline);
  Shared later = share_bytes("later.txt", "x");
  MemoryTaskRows rows({new_download_task(0, "a.txt", "1 B", offline + "/iabc", "", dir_.text()), row("later.txt", later)});
  MemoryRunnerHost host;
  RunOutcome out = run(rows, host);
  EXPECT_TRUE(out.unreachable);
  EXPECT_EQ(out.dead_links, 0);
  EXPECT_EQ(rows.downloads().size(), 2u);
  auto shown = host.snapshot();
  EXPECT_TRUE(shown.messages.empty());
  EXPECT_EQ(shown.status[0], "已停止"_t);
  EXPECT_EQ(shown.status[1], "无法连接服务器，请检查网络后重试。"_t);
  EXPECT_EQ(shown.clipboard, "");
  EXPECT_TRUE(std::filesystem::is_empty(dir_.path()));
  EXPECT_EQ(sha256_file(dir_ / "later.txt"), "") << "the run stopped at the first row";
}

TEST_F(RunnerTest, DirectUrlTasksAndTheDefaultFolder) {
  Shared s = share_bytes("d.bin", "direct bytes");
  const Text direct = direct_url(s);
  server().clear_request_log();
  TaskRow task = new_download_task(0, "d.bin", "未知"_t, "", "", "", direct);
  MemoryTaskRows rows({task, task});
  MemoryRunnerHost host;
  EXPECT_EQ(run(rows, host).completed, 2);
  for (const auto& r : server().request_log(test::Host::share))
    EXPECT_EQ(r.target.rfind("/dl/", 0), 0u) << "no resolution: " << r.target;
  auto done = rows.completed();
  ASSERT_EQ(done.size(), 2u) << "a direct URL is never in column 4, so both get a row";
  const Text folder = shell::default_download_dir();
  EXPECT_EQ(done[0][kFolderColumn], folder);
  EXPECT_EQ(done[0][kNameColumn], "d (1).bin");
  const std::filesystem::path local = util::local_path(folder);
  EXPECT_EQ(sha256_file(local / "d.bin"), s.sha256);
  EXPECT_EQ(sha256_file(local / "d (1).bin"), s.sha256);
}

}  // namespace
}  // namespace quarrow::testing
