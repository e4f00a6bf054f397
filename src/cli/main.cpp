// quarrow-cli: the disk from a terminal, sharing the desktop program's
// configuration and saved log-in.
#include <cstring>
#include <iostream>
#include <string>

#include "cli/commands.h"

namespace {

constexpr char kHelp[] = R"(Usage: quarrow-cli [--json] COMMAND [ARGUMENTS]

The disk from a terminal. Shares the configuration and the saved log-in of the
desktop program (the file "config" in its run directory).

Ids: a file is written as its number (123), a folder with a slash (123/), as
"ls" prints them. The root folder is -1.

Account:
  login ACCOUNT [--password-stdin]   log in and remember the log-in; the password
                                     is asked without echo, or read from stdin
  logout                             log out and forget the saved log-in
  whoami                             the account of the saved log-in

Disk:
  ls [FOLDER_ID]                     folders, then files: id, name, size, time
  mkdir PARENT_ID NAME [DESCRIPTION] create a folder
  rm ID...                           delete files and folders
  describe ID DESCRIPTION            set the description of a file or folder
  rename FOLDER_ID NAME              rename a folder
  share ID                           the share link, with its password when on
  passwd ID on|off [PASSWORD]        switch the share password; without PASSWORD
                                     the current one is kept

Download:
  get SHARE_LINK [-p PASSWORD] [-o DIR]
                                     download a shared file into DIR (default:
                                     the current folder); prints the file's path
  get --id FILE_ID [-o DIR]          the same for a file of the logged-in disk

  Ctrl-C stops a download and keeps the partial file; the same command resumes
  it. A file of the same name that the download did not start is never touched:
  the new one is saved as "NAME (1).EXT".

Import:
  import FILE|- [--download [-o DIR]]
                                     read share texts from FILE or stdin, one
                                     link per line: share links (a password
                                     after "密码:" on the line or the next),
                                     folder share links and direct URLs; prints
                                     every file found: name, size, share link,
                                     password, direct URL. --download fetches
                                     them into DIR (default: the current
                                     folder) and prints each saved path. Names
                                     lose a ".ke" suffix when the desktop's
                                     "智能处理ke扩展名" is on.

Upload:
  put FILE... [--folder FOLDER_ID]   upload files into the folder (default: the
                                     root), one after another; prints each
                                     file with the service's answer. Files of
                                     more than 100 MiB, empty files and
                                     folders are refused without sending.

Options:
  --json                             machine-readable output
  -h, --help                         this text

Output is tab-separated; errors go to stderr. Exit status: 0 success, 1 the
service refused or a transfer failed, 2 wrong usage, 3 not logged in or the
log-in expired, 4 the service could not be reached, 130 a download stopped by
Ctrl-C.
)";

}  // namespace

int main(int argc, char** argv) {
  using namespace quarrow::cli;
  Context ctx;
  std::string command;
  bool password_stdin = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "-h" || arg == "--help") {
      std::cout << kHelp;
      return kOk;
    }
    if (arg == "--json") ctx.json = true;
    else if (arg == "--password-stdin") password_stdin = true;
    else if (command.empty()) command = arg;
    else ctx.args.push_back(arg);
  }
  try {
    if (command.empty()) {
      std::cerr << kHelp;
      return kUsage;
    }
    if (command == "login") return cmd_login(ctx, password_stdin);
    if (command == "logout") return cmd_logout(ctx);
    if (command == "whoami") return cmd_whoami(ctx);
    if (command == "ls") return cmd_ls(ctx);
    if (command == "mkdir") return cmd_mkdir(ctx);
    if (command == "rm") return cmd_rm(ctx);
    if (command == "describe") return cmd_describe(ctx);
    if (command == "rename") return cmd_rename(ctx);
    if (command == "share") return cmd_share(ctx);
    if (command == "passwd") return cmd_passwd(ctx);
    if (command == "get") return cmd_get(ctx);
    if (command == "put") return cmd_put(ctx);
    if (command == "import") return cmd_import(ctx);
    std::cerr << "unknown command: " << command << "\n(quarrow-cli --help lists the commands)\n";
    return kUsage;
  } catch (const CommandError& e) {
    std::cerr << "quarrow-cli: " << e.message << '\n';
    return e.status;
  }
}
