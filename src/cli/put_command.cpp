// quarrow-cli put: local files into a folder of the disk, through the upload
// queue's runner, so the size rule and the answers are those of the window.
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_context.h"
#include "cli/commands.h"
#include "upload/upload_queue.h"
#include "util/codepage.h"
#include "util/file_ops.h"

namespace quarrow::cli {
namespace {

constexpr char kUsageText[] = "usage: quarrow-cli put FILE... [--folder FOLDER_ID]";

// Prints each file's line as soon as it has its end state.
class CliUploadRows : public upload::MemoryUploadRows {
 public:
  CliUploadRows(std::vector<std::string>& paths, bool json) : paths_(paths), json_(json) {}

  void row_done(int index, const util::JsonDoc* answer) override {
    bool ok = answer && answer->get_text("zt") == "1";
    failures_ += ok ? 0 : 1;
    Text state = row(index)[upload::kStateColumn];
    if (json_) {
      std::cout << (index == 0 ? "[" : ",") << "\n  {\"path\":" << json_quote(paths_[index])
                << ",\"info\":" << json_quote(utf8(state)) << ",\"ok\":" << (ok ? "true" : "false") << "}";
    } else {
      std::cout << paths_[index] << '\t' << utf8(state) << '\n';
    }
    std::cout.flush();
  }
  int failures() const { return failures_; }

 private:
  std::vector<std::string>& paths_;
  bool json_;
  int failures_ = 0;
};

}  // namespace

int cmd_put(Context& ctx) {
  Text folder = "-1";
  std::vector<std::string> files;
  for (size_t i = 0; i < ctx.args.size(); ++i) {
    const std::string& arg = ctx.args[i];
    if (arg == "--folder") {
      if (i + 1 == ctx.args.size()) fail(kUsage, kUsageText);
      folder = parse_disk_id(ctx.args[++i], true).id;
    } else if (!arg.empty() && arg[0] == '-') {
      fail(kUsage, kUsageText);
    } else {
      files.push_back(arg);
    }
  }
  if (files.empty()) fail(kUsage, kUsageText);
  require_login();

  std::string cwd;
  if (char buffer[4096]; ::getcwd(buffer, sizeof buffer)) cwd = buffer;
  CliUploadRows rows(files, ctx.json);
  for (const std::string& file : files) {
    Text path = util::from_local_path((!file.empty() && file[0] == '/') || cwd.empty() ? file : cwd + "/" + file);
    // Every file gets a row, so a file the size rule refuses is reported too.
    rows.append(upload::new_upload_task(rows.count() + 1, path, util::file_size(path), folder));
  }
  upload::upload_runner(rows, nullptr);
  if (ctx.json) std::cout << "\n]\n";
  return rows.failures() == 0 ? kOk : kFailed;
}

}  // namespace quarrow::cli
