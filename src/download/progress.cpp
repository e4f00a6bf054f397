#include "download/progress.h"

#include <chrono>
#include <cmath>
#include <string>

#include "util/size_text.h"

namespace quarrow::download {
namespace {

int64_t system_tick() {
  using namespace std::chrono;
  // +1: the tick 0 means "nothing shown yet".
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count() + 1;
}

double round2(double v) { return std::round(v * 100.0) / 100.0; }  // half away from zero

}  // namespace

Text speed_text(int64_t bytes, int64_t elapsed_ms) {
  if (elapsed_ms <= 0) elapsed_ms = 10;
  double speed = std::trunc(round2(static_cast<double>(bytes) * 1000.0 / static_cast<double>(elapsed_ms)));
  return util::size_text(static_cast<int64_t>(speed)) + "/s";
}

Text percent_text(int64_t position, int64_t total) {
  if (total <= 0) return "0%";
  return util::format_g13(round2(static_cast<double>(position) / static_cast<double>(total) * 100.0)) + "%";
}

ProgressState::ProgressState(std::function<int64_t()> clock)
    : clock_(clock ? std::move(clock) : std::function<int64_t()>(system_tick)) {}

bool ProgressState::due() {
  int64_t now = clock_();
  if (last_display_tick_ != 0 && now - last_display_tick_ < 1000) return false;
  last_display_tick_ = now;
  return true;
}

ProgressDisplay ProgressState::report(int64_t total, int64_t position, int64_t elapsed, int64_t new_bytes) {
  ProgressDisplay d;
  if (total > 0) {
    last_total_ = total;
    last_elapsed_ = elapsed;
    if (!due()) return d;
  } else if (position > 0) {
    // Size unknown (no Content-Length): show what has arrived.
    if (!due()) return d;
    d.shown = true;
    d.size_text = "未知/"_t + util::size_text(position);
    d.size_tooltip = "?/" + std::to_string(position);
    d.speed_text = speed_text(new_bytes, elapsed);
    d.row_size = "未知"_t;
    d.row_progress = util::size_text(position);
    return d;
  } else {
    total = position = new_bytes = last_total_;
    elapsed = last_elapsed_;
  }
  d.shown = true;
  d.size_text = util::size_text(total) + "/" + util::size_text(position);
  d.size_tooltip = std::to_string(total) + "/" + std::to_string(position);
  d.speed_text = speed_text(new_bytes, elapsed);
  d.row_size = util::size_text(total);
  // A final refresh of an empty file still reads 100%.
  d.row_progress = total > 0 ? percent_text(position, total) : "100%";
  return d;
}

void ProgressState::start_transfer() {
  last_total_ = 0;
  last_elapsed_ = 0;
}

void ProgressState::reset() {
  start_transfer();
  last_display_tick_ = 0;
}

ProgressState& progress_state() {
  static ProgressState state;
  return state;
}

ProgressDisplay download_progress(int64_t total, int64_t position, int64_t elapsed, int64_t new_bytes) {
  return progress_state().report(total, position, elapsed, new_bytes);
}

}  // namespace quarrow::download
