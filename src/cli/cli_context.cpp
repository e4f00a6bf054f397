#include "cli/cli_context.h"

#include <unistd.h>

#include <cctype>

#include "shell/config_store.h"
#include "shell/login_state.h"
#include "shell/scramble.h"
#include "shell/session.h"
#include "util/codepage.h"
#include "util/file_ops.h"

namespace quarrow::cli {

void require_login() {
  Text cookie = shell::unscramble_text(shell::config_read("配置"_t, "ck"));
  if (cookie.empty()) fail(kNotLoggedIn, "not logged in: run  quarrow-cli login ACCOUNT");
  shell::CookieCheck check = shell::check_cookie(cookie);
  if (!check.answered) fail(kUnreachable, "无法连接服务器，请检查网络后重试。"_t);
  if (!shell::check_succeeded(check))
    fail(kNotLoggedIn, "the saved log-in has expired: run  quarrow-cli login ACCOUNT");
  shell::set_account_name(check.account);
}

DiskId parse_disk_id(const std::string& arg, bool folder_only) {
  DiskId id;
  std::string digits = arg;
  if (!digits.empty() && digits.back() == '/') {
    digits.pop_back();
    id.folder = true;
  }
  bool valid = !digits.empty();
  for (size_t i = 0; i < digits.size(); ++i)
    valid = valid && (std::isdigit(static_cast<unsigned char>(digits[i])) || (i == 0 && digits[i] == '-' && digits.size() > 1));
  if (!valid) fail(kUsage, "not an id: " + arg + " (files are written 123, folders 123/)");
  if (folder_only) id.folder = true;
  id.id = digits;
  return id;
}

Text save_folder(const std::string& dir) {
  std::string path = dir;
  if (path.empty() || path[0] != '/') {
    char cwd[4096];
    if (!::getcwd(cwd, sizeof cwd)) fail(kFailed, "cannot read the current folder");
    path = path.empty() ? std::string(cwd) : std::string(cwd) + "/" + path;
  }
  Text folder = util::with_trailing_slash(util::from_local_path(path));
  if (!util::is_folder(folder) && !util::ensure_folder(folder)) fail(kFailed, "该位置不能进行保存: "_t + folder);
  return folder;
}

util::JsonDoc parse_answer(const Text& answer) {
  if (answer.empty()) fail(kUnreachable, "无法连接服务器，请检查网络后重试。"_t);
  util::JsonDoc doc;
  if (!doc.parse(answer)) fail(kFailed, "the service gave an answer that could not be read");
  return doc;
}

util::JsonDoc expect_zt_one(const Text& answer) {
  util::JsonDoc doc = parse_answer(answer);
  if (doc.get_text("zt") != "1") fail(kFailed, doc.get_text("info"));
  return doc;
}

util::JsonDoc expect_zt_not_zero(const Text& answer) {
  util::JsonDoc doc = parse_answer(answer);
  if (doc.get_object("zt").to_text() == "0") fail(kFailed, doc.get_text("info"));
  return doc;
}

}  // namespace quarrow::cli
