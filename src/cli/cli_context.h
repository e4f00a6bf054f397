// Shared pieces of the commands: the saved log-in, ids, and answer checks.
#pragma once

#include <string>
#include <vector>

#include "cli/cli_io.h"
#include "util/json_doc.h"
#include "util/text.h"

namespace quarrow::cli {

struct Context {
  bool json = false;
  std::vector<std::string> args;  // the command's arguments, options removed
};

// Loads the saved cookie and checks it with the service; fails with a clear
// message when there is none, it has expired or the service cannot be reached.
void require_login();

// An id as `ls` prints it: "123" is a file, "123/" a folder.
struct DiskId {
  Text id;
  bool folder = false;
};
DiskId parse_disk_id(const std::string& arg, bool folder_only = false);

// The folder files are saved into: `dir` (relative to the current folder; ""
// is the current folder), created when missing, ending with "/".
Text save_folder(const std::string& dir);

// Parses a task answer; fails when nothing came back or it is not JSON.
util::JsonDoc parse_answer(const Text& answer);
// Fails with the service's "info" unless "zt" reads "1".
util::JsonDoc expect_zt_one(const Text& answer);
// Fails with "info" when the JSON form of "zt" is "0" (the edit operations).
util::JsonDoc expect_zt_not_zero(const Text& answer);

}  // namespace quarrow::cli
