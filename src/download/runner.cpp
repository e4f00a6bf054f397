#include "download/runner.h"

#include <string>

#include "download/direct_link.h"
#include "download/download_state.h"
#include "download/partial_file.h"
#include "download/progress.h"
#include "download/ranged_download.h"
#include "download/task_records.h"
#include "net/http_client.h"
#include "shell/run_dir.h"
#include "util/file_ops.h"
#include "util/text_search.h"

namespace quarrow::download {
namespace {

enum class Next { go_on, stop_run };

void show_progress(const ProgressDisplay& d, TaskRows& rows, RunnerHost& host) {
  if (!d.shown) return;
  host.set_status(2, d.size_text, d.size_tooltip);
  host.set_status(3, d.speed_text);
  const int row = download_state().row;
  rows.set_download_cell(row, kSizeColumn, d.row_size);
  rows.set_download_cell(row, kProgressColumn, d.row_progress);
}

// The last path segment of a URL, for a task that has no name from anywhere else.
Text name_from_url(const Text& url) {
  Text path = url.substr(0, url.find_first_of("?#"));
  size_t scheme = path.find("://");
  if (scheme != Text::npos && path.find('/', scheme + 3) == Text::npos) return {};
  return path.substr(path.rfind('/') + 1);
}

class Run {
 public:
  Run(TaskRows& rows, RunnerHost& host) : rows_(rows), host_(host), state_(download_state()) {}

  RunOutcome go() {
    for (;;) {
      // Rows appended from now on wait for the next pass.
      const int n = rows_.download_count() - failed_;
      for (int k = 0; k < n && !state_.stop_requested; ++k)
        if (task(failed_) == Next::stop_run) break;
      for (int i = 0, count = rows_.completed_count(); i < count; ++i)
        rows_.set_completed_cell(i, kNumberColumn, std::to_string(i + 1));
      // Another pass only for a run that got as far as a transfer: one whose
      // every row was a dead link ends here, like a stopped one.
      if (state_.stop_requested || out_.unreachable || !transferred_ || rows_.download_count() <= failed_) break;
    }
    out_.stopped = state_.stop_requested;
    const bool finished = transferred_ && !out_.stopped && !out_.unreachable;
    host_.set_status(0, finished ? "下载完成"_t : "已停止"_t);
    host_.set_running(false);
    release_run();
    host_.row_counts_changed();
    return out_;
  }

 private:
  Next task(int i) {
    const TaskRow row = rows_.download_row(i);
    const Text& link = row[kLinkColumn];
    const Text& password = row[kPasswordColumn];
    Text folder = row[kFolderColumn];
    if (folder.empty() || !util::is_folder(folder)) {
      folder = shell::default_download_dir();
      rows_.set_download_cell(i, kFolderColumn, folder);
      util::ensure_folder(folder);
    }

    Text direct, error, found_name, found_size;
    bool answered = true;
    if (!link.empty()) {
      net::CancelScope scope(&state_.stop_requested);
      direct = resolve_direct_link(link, password, found_name, found_size, error, &answered);
    } else {
      direct = row[kDirectColumn];
    }
    if (state_.stop_requested) return Next::stop_run;
    if (direct.empty()) {
      if (!answered) {
        // An outage, not a dead link: the row stays for the next run.
        out_.unreachable = true;
        host_.set_status(1, "无法连接服务器，请检查网络后重试。"_t);
        return Next::stop_run;
      }
      host_.set_clipboard(password.empty() ? link : "链接:"_t + link + "\r\n密码:"_t + password);
      host_.show_failure_and_wait("下载文件失败，下载地址已失效！\r\n链接:"_t + link + "\r\n密码:"_t + password +
                                  "\r\n下载地址已复制，请手动打开网页粘贴下载地址进行查看!\r\n"_t + error);
      rows_.remove_download_row(i);
      host_.row_counts_changed();
      ++out_.dead_links;
      return Next::go_on;
    }

    host_.set_status(0, "正在下载"_t);
    const Text key = link.empty() ? direct : link;
    Text wanted = safe_file_name(row[kNameColumn]);
    if (wanted.empty()) wanted = safe_file_name(found_name);
    if (wanted.empty()) wanted = safe_file_name(name_from_url(direct));
    if (wanted.empty()) wanted = "download";
    const Target target = choose_target(folder, wanted, key);
    if (target.path.empty()) return failed(row[kNameColumn], failure::cannot_open_file());
    if (target.name != row[kNameColumn]) rows_.set_download_cell(i, kNameColumn, target.name);
    host_.set_status(1, target.name);

    state_.row = i;
    state_.busy = 1;
    transferred_ = true;
    if (state_.stop_requested) {  // the stop came between the check above and now
      state_.busy = 0;
      return Next::stop_run;
    }
    const bool resume = target.own_partial && host_.resume_enabled() &&
                        (target.expected_size < 0 || target.partial_size <= target.expected_size);
    TransferOptions options;
    options.expected_size = target.expected_size;
    options.cancel = &state_.stop_requested;
    // The record goes down before the file is created or emptied, so a file
    // without one is never ours.
    options.on_accepted = [&](int64_t total) { return write_record(target.path, {key, total}); };
    progress_state().start_transfer();
    const Text result = ranged_download(
        direct, target.path,
        [&](int64_t total, int64_t position, int64_t elapsed, int64_t new_bytes) {
          show_progress(download_progress(total, position, elapsed, new_bytes), rows_, host_);
        },
        resume ? target.partial_size : 0, resume, options);

    if (state_.busy == 0 || state_.stop_requested) return Next::stop_run;  // the row keeps its partial file
    if (result != "ok") return failed(target.name, result);

    show_progress(download_progress(0, 0, 0, 0), rows_, host_);
    remove_record(target.path);
    host_.play_completion_sound();
    if (find_row(rows_, TaskList::completed, kLinkColumn, key) == -1) {
      rows_.insert_completed_row(0, rows_.download_row(i));
      rows_.set_completed_cell(0, kNumberColumn, std::to_string(rows_.completed_count()));
    }
    rows_.remove_download_row(i);
    host_.row_counts_changed();
    ++out_.completed;
    return Next::go_on;
  }

  // The row stays where it is, with its partial file, and the run goes on
  // with the rows after it.
  Next failed(const Text& name, const Text& why) {
    ++failed_;
    const Text text = name + " 下载失败："_t + why;
    host_.set_status(1, text);
    out_.failures.push_back(text);
    return Next::go_on;
  }

  TaskRows& rows_;
  RunnerHost& host_;
  DownloadState& state_;
  RunOutcome out_;
  int failed_ = 0;  // rows at the top that failed in this run
  bool transferred_ = false;  // a transfer has begun in this run (busy was set)
};

}  // namespace

bool begin_download_run(TaskRows& rows, RunnerHost& host) {
  if (rows.download_count() == 0 || !claim_run()) return false;
  host.set_running(true);
  return true;
}

bool stop_download_run(TaskRows& rows) {
  if (rows.download_count() == 0) return false;
  return request_stop();
}

bool download_run_active() { return download_state().running; }

RunOutcome download_runner(TaskRows& rows, RunnerHost& host) { return Run(rows, host).go(); }

}  // namespace quarrow::download
