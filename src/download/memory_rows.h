// Plain in-memory backings of the runner's contract, for the command-line
// program and the tests. Safe to use from several threads: rows may be
// appended while a run works on them.
#pragma once

#include <array>
#include <functional>
#include <mutex>
#include <vector>

#include "download/runner_host.h"

namespace quarrow::download {

class MemoryTaskRows : public TaskRows {
 public:
  MemoryTaskRows() = default;
  explicit MemoryTaskRows(std::vector<TaskRow> downloads, std::vector<TaskRow> completed = {});

  int download_count() override;
  TaskRow download_row(int row) override;
  void set_download_cell(int row, int column, const Text& text) override;
  void remove_download_row(int row) override;

  int completed_count() override;
  TaskRow completed_row(int row) override;
  void insert_completed_row(int row, const TaskRow& cells) override;
  void set_completed_cell(int row, int column, const Text& text) override;

  void append_download(const TaskRow& row);
  std::vector<TaskRow> downloads();
  std::vector<TaskRow> completed();

 private:
  std::mutex mutex_;
  std::vector<TaskRow> downloads_;
  std::vector<TaskRow> completed_;
};

// Remembers what a run showed; the failure message is answered at once.
class MemoryRunnerHost : public RunnerHost {
 public:
  void set_status(int part, const Text& text, const Text& tooltip = {}) override;
  void show_failure_and_wait(const Text& message) override;
  void set_clipboard(const Text& text) override;
  void play_completion_sound() override;
  void row_counts_changed() override;
  void set_running(bool running) override;
  bool resume_enabled() override;

  void set_resume_enabled(bool on);
  // Called after a status part changed (on the runner's thread).
  void on_status(std::function<void(int part, const Text& text)> hook);

  struct Snapshot {
    std::array<Text, 4> status;
    Text tooltip;  // of part 2
    std::vector<Text> status_history;  // every text of parts 0 and 1, in order
    std::vector<Text> messages;
    Text clipboard;
    int sounds = 0;
    int count_changes = 0;
    std::vector<bool> running_changes;
  };
  Snapshot snapshot();

 private:
  std::mutex mutex_;
  Snapshot s_;
  bool resume_ = true;
  std::function<void(int, const Text&)> hook_;
};

}  // namespace quarrow::download
