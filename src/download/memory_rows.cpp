#include "download/memory_rows.h"

namespace quarrow::download {

MemoryTaskRows::MemoryTaskRows(std::vector<TaskRow> downloads, std::vector<TaskRow> completed)
    : downloads_(std::move(downloads)), completed_(std::move(completed)) {}

int MemoryTaskRows::download_count() {
  std::lock_guard lock(mutex_);
  return static_cast<int>(downloads_.size());
}

TaskRow MemoryTaskRows::download_row(int row) {
  std::lock_guard lock(mutex_);
  return row >= 0 && row < static_cast<int>(downloads_.size()) ? downloads_[row] : TaskRow();
}

void MemoryTaskRows::set_download_cell(int row, int column, const Text& text) {
  std::lock_guard lock(mutex_);
  if (row >= 0 && row < static_cast<int>(downloads_.size()) && column >= 0 && column < 8)
    downloads_[row][column] = text;
}

void MemoryTaskRows::remove_download_row(int row) {
  std::lock_guard lock(mutex_);
  if (row >= 0 && row < static_cast<int>(downloads_.size())) downloads_.erase(downloads_.begin() + row);
}

int MemoryTaskRows::completed_count() {
  std::lock_guard lock(mutex_);
  return static_cast<int>(completed_.size());
}

TaskRow MemoryTaskRows::completed_row(int row) {
  std::lock_guard lock(mutex_);
  return row >= 0 && row < static_cast<int>(completed_.size()) ? completed_[row] : TaskRow();
}

void MemoryTaskRows::insert_completed_row(int row, const TaskRow& cells) {
  std::lock_guard lock(mutex_);
  if (row < 0 || row > static_cast<int>(completed_.size())) row = static_cast<int>(completed_.size());
  completed_.insert(completed_.begin() + row, cells);
}

void MemoryTaskRows::set_completed_cell(int row, int column, const Text& text) {
  std::lock_guard lock(mutex_);
  if (row >= 0 && row < static_cast<int>(completed_.size()) && column >= 0 && column < 8)
    completed_[row][column] = text;
}

void MemoryTaskRows::append_download(const TaskRow& row) {
  std::lock_guard lock(mutex_);
  downloads_.push_back(row);
}

std::vector<TaskRow> MemoryTaskRows::downloads() {
  std::lock_guard lock(mutex_);
  return downloads_;
}

std::vector<TaskRow> MemoryTaskRows::completed() {
  std::lock_guard lock(mutex_);
  return completed_;
}

void MemoryRunnerHost::set_status(int part, const Text& text, const Text& tooltip) {
  std::function<void(int, const Text&)> hook;
  {
    std::lock_guard lock(mutex_);
    if (part < 0 || part > 3) return;
    s_.status[part] = text;
    if (part == 2) s_.tooltip = tooltip;
    if (part <= 1) s_.status_history.push_back(text);
    hook = hook_;
  }
  if (hook) hook(part, text);
}

void MemoryRunnerHost::show_failure_and_wait(const Text& message) {
  std::lock_guard lock(mutex_);
  s_.messages.push_back(message);
}

void MemoryRunnerHost::set_clipboard(const Text& text) {
  std::lock_guard lock(mutex_);
  s_.clipboard = text;
}

void MemoryRunnerHost::play_completion_sound() {
  std::lock_guard lock(mutex_);
  ++s_.sounds;
}

void MemoryRunnerHost::row_counts_changed() {
  std::lock_guard lock(mutex_);
  ++s_.count_changes;
}

void MemoryRunnerHost::set_running(bool running) {
  std::lock_guard lock(mutex_);
  s_.running_changes.push_back(running);
}

bool MemoryRunnerHost::resume_enabled() {
  std::lock_guard lock(mutex_);
  return resume_;
}

void MemoryRunnerHost::set_resume_enabled(bool on) {
  std::lock_guard lock(mutex_);
  resume_ = on;
}

void MemoryRunnerHost::on_status(std::function<void(int, const Text&)> hook) {
  std::lock_guard lock(mutex_);
  hook_ = std::move(hook);
}

MemoryRunnerHost::Snapshot MemoryRunnerHost::snapshot() {
  std::lock_guard lock(mutex_);
  return s_;
}

}  // namespace quarrow::download
