#include "util/file_ops.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "util/codepage.h"

namespace quarrow::util {

bool file_exists(const Text& path) {
  struct stat st;
  return !path.empty() && ::stat(local_path(path).c_str(), &st) == 0;
}

bool is_folder(const Text& path) {
  struct stat st;
  return !path.empty() && ::stat(local_path(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ensure_folder(const Text& path) {
  if (path.empty()) return false;
  std::string local = local_path(with_trailing_slash(path));
  for (size_t slash = local.find('/', 1); slash != std::string::npos; slash = local.find('/', slash + 1)) {
    std::string part = local.substr(0, slash);
    if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
  }
  return is_folder(path);
}

void remove_local_file(const Text& path) { ::unlink(local_path(path).c_str()); }

Text folder_of_path(const Text& path) {
  size_t slash = path.rfind('/');
  return slash == Text::npos ? Text() : path.substr(0, slash + 1);
}

Text file_name_of_path(const Text& path) {
  size_t slash = path.rfind('/');
  return slash == Text::npos ? path : path.substr(slash + 1);
}

int64_t file_size(const Text& path) {
  struct stat st;
  if (path.empty() || ::stat(local_path(path).c_str(), &st) != 0) return -1;
  if (S_ISDIR(st.st_mode)) return 0;
  return static_cast<int64_t>(st.st_size);
}

Text with_trailing_slash(const Text& folder) {
  if (!folder.empty() && folder.back() == '/') return folder;
  return folder + "/";
}

}  // namespace quarrow::util
