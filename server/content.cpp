#include "content.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace qs {

namespace {

bool write_at(int fd, const char* data, size_t size, uint64_t offset) {
  while (size > 0) {
    ssize_t n = ::pwrite(fd, data, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
    offset += static_cast<uint64_t>(n);
  }
  return true;
}

}  // namespace

bool write_generated(const std::string& path, uint64_t size, Pattern pattern, std::string* error) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    if (error) *error = std::strerror(errno);
    return false;
  }
  bool ok = true;
  if (pattern == Pattern::sparse) {
    ok = ::ftruncate(fd, static_cast<off_t>(size)) == 0;
    for (uint64_t k = 0; ok && k < size; k += 1024 * 1024) {
      char marker[17];
      std::snprintf(marker, sizeof marker, "%016llx", static_cast<unsigned long long>(k));
      ok = write_at(fd, marker, static_cast<size_t>(std::min<uint64_t>(16, size - k)), k);
    }
  } else {
    std::vector<char> buf(1 << 20);
    for (uint64_t pos = 0; ok && pos < size; pos += buf.size()) {
      size_t n = static_cast<size_t>(std::min<uint64_t>(buf.size(), size - pos));
      for (size_t j = 0; j < n; ++j) {
        uint64_t i = pos + j;
        buf[j] = static_cast<char>((i * 131 + (i >> 8) * 17 + (i >> 16) * 29 + (i >> 24) * 7 + (i >> 32) * 3) & 0xff);
      }
      ok = write_at(fd, buf.data(), n, pos);
    }
  }
  if (!ok && error) *error = std::strerror(errno);
  if (::close(fd) != 0) ok = false;
  return ok;
}

bool write_bytes(const std::string& path, std::string_view bytes, std::string* error) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    if (error) *error = std::strerror(errno);
    return false;
  }
  bool ok = write_at(fd, bytes.data(), bytes.size(), 0);
  if (!ok && error) *error = std::strerror(errno);
  if (::close(fd) != 0) ok = false;
  return ok;
}

}  // namespace qs
