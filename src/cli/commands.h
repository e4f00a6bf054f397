// The commands of quarrow-cli; each returns the exit status or throws CommandError.
#pragma once

#include "cli/cli_context.h"

namespace quarrow::cli {

int cmd_login(Context& ctx, bool password_stdin);
int cmd_logout(Context& ctx);
int cmd_whoami(Context& ctx);
int cmd_ls(Context& ctx);
int cmd_mkdir(Context& ctx);
int cmd_rm(Context& ctx);
int cmd_describe(Context& ctx);
int cmd_rename(Context& ctx);
int cmd_share(Context& ctx);
int cmd_passwd(Context& ctx);
int cmd_get(Context& ctx);
int cmd_put(Context& ctx);
int cmd_import(Context& ctx);

}  // namespace quarrow::cli
