// The download queue's worker: resolves the first waiting row's link,
// transfers the file, moves the row to the completed list, and goes on until
// the list has no waiting row or a stop is requested.
#pragma once

#include <vector>

#include "download/runner_host.h"
#include "util/text.h"

namespace quarrow::download {

// The start command ("开始任务"): when the download list has rows and no run is
// on, claims the run and switches the menu (set_running(true)); the caller then
// runs download_runner on its worker thread. False: nothing happened.
bool begin_download_run(TaskRows& rows, RunnerHost& host);

// The stop command ("停止任务"): false (nothing happens) when the list is empty
// or no run is on. Otherwise the transfer ends after its current chunk (a link
// being resolved ends the run before its transfer); the caller disables both
// menu items and the runner enables "开始任务" as it ends.
bool stop_download_run(TaskRows& rows);

// A run is on, from the start command until the runner returns. While it is,
// rows may only be appended: the delete-task command refuses
// ("正在下载任务中，请先停止！").
bool download_run_active();

struct RunOutcome {
  int completed = 0;            // finished transfers; their rows left the download list
  int dead_links = 0;           // rows deleted because no direct URL was found
  std::vector<Text> failures;   // status texts of failed transfers; those rows stay
  bool stopped = false;         // a stop was requested
  bool unreachable = false;     // the share host did not answer; the run ended there
};

// The worker routine, after begin_download_run returned true. A transfer that
// fails keeps its row and partial file, is named in the status bar, and is not
// tried again in this run; rows appended during the run are downloaded in it
// once a transfer has begun. The status reads "下载完成" at the end of a run that
// transferred and was not stopped, "已停止" otherwise (also when every row was a
// dead link).
RunOutcome download_runner(TaskRows& rows, RunnerHost& host);

}  // namespace quarrow::download
