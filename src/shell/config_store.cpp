#include "shell/config_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <mutex>
#include <sstream>

#include "shell/ini_file.h"
#include "shell/run_dir.h"
#include "util/codepage.h"
#include "util/file_ops.h"

namespace quarrow::shell {

namespace detail {
std::function<void()> before_config_rename;
}

namespace {

std::mutex g_mutex;  // the runner and the UI may both save

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

bool write_all(int fd, const std::string& data) {
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

// Write-then-rename: a crash at any moment leaves the old file or the new one.
void replace_file(const std::string& path, const std::string& data) {
  std::string temp = path + ".XXXXXX";
  int fd = ::mkstemp(temp.data());
  if (fd < 0) return;
  bool ok = ::fchmod(fd, 0600) == 0 && write_all(fd, data) && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  if (ok && detail::before_config_rename) detail::before_config_rename();
  if (!ok || ::rename(temp.c_str(), path.c_str()) != 0) ::unlink(temp.c_str());
}

// Serialises read-modify-write cycles of processes sharing the file (the desktop
// program and the CLI).
class ProcessLock {
 public:
  explicit ProcessLock(const std::string& config) {
    fd_ = ::open((config + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ >= 0) ::flock(fd_, LOCK_EX);
  }
  ~ProcessLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  ProcessLock(const ProcessLock&) = delete;
  ProcessLock& operator=(const ProcessLock&) = delete;

 private:
  int fd_ = -1;
};

template <typename Change>
void modify(Change change) {
  std::lock_guard lock(g_mutex);
  std::string path = util::local_path(config_path());
  util::ensure_folder(run_dir());
  ProcessLock process_lock(path);
  IniFile ini(read_file(path));
  change(ini);
  replace_file(path, ini.content());
}

}  // namespace

Text config_path() { return run_dir() + "config"; }

Text config_read(const Text& section, const Text& key, const Text& fallback) {
  std::lock_guard lock(g_mutex);
  IniFile ini(read_file(util::local_path(config_path())));
  return ini.get(section, key).value_or(fallback);
}

void config_write(const Text& section, const Text& key, const Text& value) {
  modify([&](IniFile& ini) { ini.set(section, key, value); });
}

void config_remove(const Text& section, const Text& key) {
  modify([&](IniFile& ini) { ini.remove(section, key); });
}

}  // namespace quarrow::shell
