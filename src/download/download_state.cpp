#include "download/download_state.h"

namespace quarrow::download {

static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free,
              "request_stop must stay usable from a signal handler");

DownloadState& download_state() {
  static DownloadState state;
  return state;
}

bool claim_run() {
  DownloadState& s = download_state();
  bool expected = false;
  if (!s.running.compare_exchange_strong(expected, true)) return false;
  s.stop_requested = false;
  return true;
}

bool request_stop() {
  DownloadState& s = download_state();
  if (!s.running) return false;
  s.stop_requested = true;
  s.busy = 0;
  return true;
}

void release_run() {
  DownloadState& s = download_state();
  s.busy = 0;
  s.running = false;
}

}  // namespace quarrow::download
