// quarrow-cli get: one file through the download engine, with a progress line,
// resume of a partial file and Ctrl-C that leaves it resumable.
#include <signal.h>
#include <unistd.h>

#include <iostream>
#include <string>

#include "cli/cli_context.h"
#include "cli/commands.h"
#include "cli/terminal_progress.h"
#include "disk/disk_ops.h"
#include "download/download_state.h"
#include "download/memory_rows.h"
#include "download/runner.h"
#include "download/task_records.h"
#include "util/codepage.h"
#include "util/file_ops.h"
#include "util/text_search.h"

namespace quarrow::cli {
namespace {

using namespace quarrow::download;

constexpr char kUsageText[] = "usage: quarrow-cli get SHARE_LINK [-p PASSWORD] [-o DIR]\n"
                              "       quarrow-cli get --id FILE_ID [-o DIR]";
constexpr int kInterrupted = 130;



struct Request {
  Text link, password, folder;
  std::string id;
};

Request parse_request(const Context& ctx) {
  Request r;
  bool by_id = false, have_link = false;
  std::string dir;
  for (size_t i = 0; i < ctx.args.size(); ++i) {
    const std::string& arg = ctx.args[i];
    const bool has_value = i + 1 < ctx.args.size();
    if ((arg == "-p" || arg == "-o" || arg == "--id") && !has_value) fail(kUsage, kUsageText);
    if (arg == "-p") r.password = text_of(ctx.args[++i]);
    else if (arg == "-o") dir = ctx.args[++i];
    else if (arg == "--id") by_id = true, r.id = ctx.args[++i];
    else if (!have_link && !arg.empty() && arg[0] != '-') have_link = true, r.link = text_of(arg);
    else fail(kUsage, kUsageText);
  }
  if (by_id == have_link || (by_id && !r.password.empty())) fail(kUsage, kUsageText);

  r.folder = save_folder(dir);
  return r;
}

// The share link and password of a file of the logged-in disk.
void link_of_disk_file(Request& r) {
  DiskId target = parse_disk_id(r.id);
  if (target.folder) fail(kUsage, "不能直接下载文件夹"_t);
  require_login();
  util::JsonDoc info = expect_zt_one(disk::get_file_share_info(target.id));
  Text key = info.get_text("info['f_id']");
  if (key.empty()) fail(kFailed, "文件不存在!"_t);
  r.link = info.get_text("info['is_newd']") + "/" + key;
  r.password = info.get_text("info.onof") == "0" ? Text() : info.get_text("info.pwd");
}

}  // namespace

int cmd_get(Context& ctx) {
  Request r = parse_request(ctx);
  if (!r.id.empty()) link_of_disk_file(r);

  TerminalRows rows({new_download_task(0, "", "等待计算"_t, r.link, r.password, r.folder)});
  RunOutcome outcome = run_downloads(rows);

  if (outcome.completed == 1) {
    TaskRow done = rows.completed_row(0);
    Text path = done[kFolderColumn] + done[kNameColumn];
    if (ctx.json) std::cout << "{\"path\":" << json_quote(utf8(path)) << "}\n";
    else print_line(path);
    return kOk;
  }
  if (outcome.stopped) {
    std::cerr << terminal_text("已停止，部分文件已保留；再次运行同一命令可继续下载。"_t) << '\n';
    return kInterrupted;
  }
  if (outcome.unreachable) fail(kUnreachable, "无法连接服务器，请检查网络后重试。"_t);
  if (!outcome.failures.empty()) fail(kFailed, outcome.failures.front());
  return kFailed;  // a dead link: the runner's message has been shown
}

}  // namespace quarrow::cli
