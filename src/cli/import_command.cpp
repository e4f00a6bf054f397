// quarrow-cli import: share texts from a file or stdin, parsed as the desktop's
// NewTaskWindow parses them; the candidates are printed and, with --download,
// fetched one after another through the download engine.
#include <signal.h>
#include <unistd.h>

#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "cli/cli_context.h"
#include "cli/commands.h"
#include "cli/terminal_progress.h"
#include "download/download_state.h"
#include "download/memory_rows.h"
#include "download/runner.h"
#include "download/task_records.h"
#include "share/share_import.h"
#include "shell/config_store.h"
#include "util/codepage.h"
#include "util/file_ops.h"
#include "util/text_search.h"

namespace quarrow::cli {
namespace {

using namespace quarrow::download;

constexpr char kUsageText[] = "usage: quarrow-cli import FILE|- [--download [-o DIR]]";
constexpr int kInterrupted = 130;

struct Request {
  std::string source;  // a path, or "-" for stdin
  bool download = false;
  Text folder;
};

Request parse_request(const Context& ctx) {
  Request r;
  std::string dir;
  bool have_dir = false;
  for (size_t i = 0; i < ctx.args.size(); ++i) {
    const std::string& arg = ctx.args[i];
    if (arg == "--download") r.download = true;
    else if (arg == "-o" && i + 1 < ctx.args.size()) have_dir = true, dir = ctx.args[++i];
    else if (r.source.empty() && !arg.empty() && (arg == "-" || arg[0] != '-')) r.source = arg;
    else fail(kUsage, kUsageText);
  }
  if (r.source.empty() || (have_dir && !r.download)) fail(kUsage, kUsageText);
  if (!r.download) return r;

  r.folder = save_folder(dir);
  return r;
}

Text read_source(const std::string& source) {
  std::string bytes;
  if (source == "-") {
    bytes.assign(std::istreambuf_iterator<char>(std::cin), {});
  } else {
    std::ifstream in(source, std::ios::binary);
    if (!in) fail(kFailed, "cannot read " + source);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
  }
  if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) bytes.erase(0, 3);  // a byte-order mark of an editor
  return text_of(bytes);
}

bool smart_ke_setting() { return shell::config_read("下载设置"_t, "选择框_智能处理ke扩展名"_t) == "真"_t; }

std::string candidate_json(const share::FoundFile& f) {
  return "{\"name\":" + json_quote(utf8(f.name)) + ",\"type\":" + json_quote(utf8(f.type)) +
         ",\"size\":" + json_quote(utf8(f.size)) + ",\"link\":" + json_quote(utf8(f.link)) +
         ",\"password\":" + json_quote(utf8(f.password)) + ",\"direct\":" + json_quote(utf8(f.direct)) + "}";
}

}  // namespace

int cmd_import(Context& ctx) {
  const Request r = parse_request(ctx);
  const Text pasted = read_source(r.source);

  std::vector<share::FoundFile> found;
  share::parse_share_text(pasted, smart_ke_setting(), [&](const share::FoundFile& f) {
    found.push_back(f);
    if (!ctx.json) {
      print_line(f.name + "\t" + f.size + "\t" + f.link + "\t" + f.password + "\t" + f.direct);
      std::cout.flush();
    }
  });
  std::string json;
  if (ctx.json) {
    json = "{\"candidates\":[";
    for (size_t i = 0; i < found.size(); ++i) json += (i ? ",\n  " : "\n  ") + candidate_json(found[i]);
    json += found.empty() ? "]" : "\n]";
  }
  if (!r.download || found.empty()) {
    if (ctx.json) std::cout << json << "}\n";
    return kOk;
  }

  std::vector<TaskRow> tasks;
  for (const auto& f : found)
    tasks.push_back(new_download_task(static_cast<int>(tasks.size()), f.name, f.size, f.link, f.password,
                                      r.folder, f.direct));
  TerminalRows rows(std::move(tasks));
  const RunOutcome outcome = run_downloads(rows);

  // The completed list holds the newest file first.
  std::vector<Text> saved;
  for (int i = rows.completed_count() - 1; i >= 0; --i) {
    const TaskRow done = rows.completed_row(i);
    saved.push_back(done[kFolderColumn] + done[kNameColumn]);
  }
  if (ctx.json) {
    json += ",\"saved\":[";
    for (size_t i = 0; i < saved.size(); ++i) json += (i ? "," : "") + json_quote(utf8(saved[i]));
    json += "],\"failed\":" + std::to_string(static_cast<int>(found.size() - saved.size())) + "}";
    std::cout << json << "\n";
  } else {
    for (const Text& path : saved) print_line(path);
  }

  if (outcome.stopped) {
    std::cerr << terminal_text("已停止，部分文件已保留；再次运行同一命令可继续下载。"_t) << '\n';
    return kInterrupted;
  }
  if (outcome.unreachable) fail(kUnreachable, "无法连接服务器，请检查网络后重试。"_t);
  for (const Text& why : outcome.failures) std::cerr << terminal_text(why) << '\n';
  return saved.size() == found.size() ? kOk : kFailed;
}

}  // namespace quarrow::cli
