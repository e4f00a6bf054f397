#include <iostream>

#include "cli/cli_context.h"
#include "cli/commands.h"
#include "shell/config_store.h"
#include "shell/login_state.h"
#include "shell/scramble.h"
#include "shell/session.h"
#include "util/codepage.h"

namespace quarrow::cli {

int cmd_login(Context& ctx, bool password_stdin) {
  if (ctx.args.size() != 1) fail(kUsage, "usage: quarrow-cli login ACCOUNT [--password-stdin]");
  Text account = text_of(ctx.args[0]);
  std::string password = password_stdin ? read_stdin_line() : read_password("Password: ");
  shell::LoginResult result = shell::log_in(account, text_of(password));
  if (!shell::login_succeeded(result)) {
    bool unreachable = result.message == "无法连接服务器，请检查网络后重试。"_t;
    fail(unreachable ? kUnreachable : kFailed, result.message);
  }
  // Remembered as the ticked remember box would: the desktop program resumes it too.
  shell::remember_login(account, text_of(password), result.cookies, true);
  if (ctx.json) std::cout << "{\"account\":" << json_quote(ctx.args[0]) << "}\n";
  else std::cout << "logged in as " << ctx.args[0] << '\n';
  return kOk;
}

int cmd_logout(Context& ctx) {
  shell::set_account_name(shell::config_read("配置"_t, "账号"_t));
  shell::log_out();
  if (!ctx.json) std::cout << "logged out\n";
  else std::cout << "{}\n";
  return kOk;
}

int cmd_whoami(Context& ctx) {
  require_login();
  if (ctx.json) std::cout << "{\"account\":" << json_quote(utf8(shell::account_name())) << "}\n";
  else print_line(shell::account_name());
  return kOk;
}

}  // namespace quarrow::cli
