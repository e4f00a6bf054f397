// The progress display of a transfer: sizes, speed and percentage, computed
// here and shown by the desktop (status bar parts 2 and 3, columns 2 and 3 of
// the row being downloaded), at most once a second.
#pragma once

#include <cstdint>
#include <functional>

#include "util/text.h"

namespace quarrow::download {

// What one report shows. Nothing changes on screen when `shown` is false.
struct ProgressDisplay {
  bool shown = false;
  Text size_text;     // status part 2: "10.5 MB/3.25 MB"
  Text size_tooltip;  // its tooltip: "11010048/3407872"
  Text speed_text;    // status part 3: "512 KB/s"
  Text row_size;      // column 2: "10.5 MB"
  Text row_progress;  // column 3: "30.95%"
};

class ProgressState {
 public:
  // `clock`: a tick count in milliseconds that never reads 0 (the system's by default).
  explicit ProgressState(std::function<int64_t()> clock = {});

  // One report of a transfer (total, position, elapsed ms, bytes of this call).
  // A total above 0 is shown when a second has passed since the last report
  // shown; total <= 0 with a position above 0 is a transfer of unknown size,
  // likewise throttled; four zeros are the final refresh after a finished
  // transfer, always shown, with the last total as size and position.
  ProgressDisplay report(int64_t total, int64_t position, int64_t elapsed, int64_t new_bytes);

  // A new transfer begins: the last total and elapsed time are forgotten so a
  // final refresh never shows the previous file. The display tick carries over.
  void start_transfer();
  // Forgets everything, as at process start.
  void reset();

 private:
  bool due();

  std::function<int64_t()> clock_;
  int64_t last_total_ = 0;
  int64_t last_elapsed_ = 0;
  int64_t last_display_tick_ = 0;
};

// The process-wide state the runner reports into.
ProgressState& progress_state();
// progress_state().report(...).
ProgressDisplay download_progress(int64_t total, int64_t position, int64_t elapsed, int64_t new_bytes);

// The speed text: bytes × 1000 ÷ elapsed, rounded to two decimals, then cut to
// a whole number, as a size with "/s".
Text speed_text(int64_t bytes, int64_t elapsed_ms);
// position ÷ total × 100 rounded to two decimals, "%.13g" and "%": "33.33%".
Text percent_text(int64_t position, int64_t total);

}  // namespace quarrow::download
