// Whether a download run is on, and what the transfer and the commands read of it.
// Process-wide; every member is an atomic read and written whole, so the UI
// thread, the runner and a signal handler can share it without a lock.
#pragma once

#include <atomic>

namespace quarrow::download {

struct DownloadState {
  // 1 while a run's transfers may go on: set when a transfer begins, left set
  // between the tasks of a run, cleared by the stop command and at the run's
  // end. The transfer reads it after every chunk.
  std::atomic<int> busy{0};
  // The download-list row the progress display writes into.
  std::atomic<int> row{0};
  // A run is on: from the start command until the runner returns, also while
  // a link is being resolved (busy may still be 0 then), so that two runners
  // never work on the lists at once.
  std::atomic<bool> running{false};
  // Set by the stop command for the rest of the run; also ends a request that
  // is waiting for the network.
  std::atomic<bool> stop_requested{false};
};

DownloadState& download_state();

// The start command's claim: false when a run is on already; otherwise the run
// is marked as on and an old stop request forgotten.
bool claim_run();
// The stop command: false (nothing happens) when no run is on. Safe to call
// from a signal handler.
bool request_stop();
// Called by the runner as it returns.
void release_run();

}  // namespace quarrow::download
