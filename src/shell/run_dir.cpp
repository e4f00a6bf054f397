#include "shell/run_dir.h"

#include <unistd.h>

#include <cstdlib>
#include <mutex>
#include <optional>

#include "util/codepage.h"
#include "util/file_ops.h"

namespace quarrow::shell {
namespace {

std::mutex g_mutex;
std::optional<Text> g_run_dir;

Text program_folder() {
  char buffer[4096];
  ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return {};
  return util::folder_of_path(util::from_local_path(std::string_view(buffer, n)));
}

Text user_config_folder() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  std::string base;
  if (xdg && *xdg) {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    base = std::string(home && *home ? home : "/tmp") + "/.config";
  }
  return util::with_trailing_slash(util::from_local_path(base)) + "quarrow/";
}

Text find_run_dir() {
  if (const char* forced = std::getenv("QUARROW_RUN_DIR"); forced && *forced) {
    Text dir = util::with_trailing_slash(util::from_local_path(forced));
    util::ensure_folder(dir);
    return dir;
  }
  Text own = program_folder();
  if (!own.empty() && ::access(util::local_path(own).c_str(), W_OK) == 0) return own;
  Text dir = user_config_folder();
  util::ensure_folder(dir);
  return dir;
}

}  // namespace

Text run_dir() {
  std::lock_guard lock(g_mutex);
  if (!g_run_dir) g_run_dir = find_run_dir();
  return *g_run_dir;
}

void set_run_dir(const Text& dir) {
  std::lock_guard lock(g_mutex);
  g_run_dir = util::with_trailing_slash(dir);
}

Text default_download_dir() { return run_dir() + "download/"; }

}  // namespace quarrow::shell
