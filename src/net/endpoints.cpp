#include "net/endpoints.h"

#include <cstdlib>
#include <mutex>

namespace quarrow::net {
namespace {

std::mutex g_mutex;
Text g_disk, g_share;
bool g_loaded = false;

Text without_trailing_slash(Text url) {
  while (!url.empty() && url.back() == '/') url.pop_back();
  return url;
}

void load() {
  if (g_loaded) return;
  const char* disk = std::getenv("QUARROW_DISK_HOST");
  const char* share = std::getenv("QUARROW_SHARE_HOST");
  g_disk = without_trailing_slash(disk && *disk ? disk : "https://pc.quarrow.com");
  g_share = without_trailing_slash(share && *share ? share : "https://share.quarrow.com");
  g_loaded = true;
}

}  // namespace

Text disk_host() {
  std::lock_guard lock(g_mutex);
  load();
  return g_disk;
}

Text share_host() {
  std::lock_guard lock(g_mutex);
  load();
  return g_share;
}

void set_endpoints(const Text& disk, const Text& share) {
  std::lock_guard lock(g_mutex);
  g_disk = without_trailing_slash(disk);
  g_share = without_trailing_slash(share);
  g_loaded = true;
}

}  // namespace quarrow::net
