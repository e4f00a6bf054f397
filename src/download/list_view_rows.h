// The runner's rows and host on MainWindow: the two list views, the status bar,
// the menus. Every call is carried out on the UI thread while the caller waits,
// so the runner's worker never touches a widget.
#pragma once

#include <QTreeWidget>

#include <atomic>

#include "download/runner_host.h"

namespace quarrow::ui {
class MainWindow;
}

namespace quarrow::download {

class ListViewRows : public TaskRows {
 public:
  explicit ListViewRows(ui::MainWindow* main);

  int download_count() override;
  TaskRow download_row(int row) override;
  void set_download_cell(int row, int column, const Text& text) override;
  void remove_download_row(int row) override;
  int completed_count() override;
  TaskRow completed_row(int row) override;
  void insert_completed_row(int row, const TaskRow& cells) override;
  void set_completed_cell(int row, int column, const Text& text) override;

  // From now on every call does nothing: the window is going away.
  void close() { closed_ = true; }

  // On the UI thread: the row's cells, and a new row at the end of the download list.
  static TaskRow cells_of(QTreeWidget* list, int row);
  static void append_row(QTreeWidget* list, const TaskRow& cells);

 protected:
  template <typename F>
  auto call(F f) -> decltype(f());

  ui::MainWindow* main_;  // outlives every call: calls stop (close) before it goes
  std::atomic<bool> closed_{false};
};

class DesktopRunnerHost : public RunnerHost {
 public:
  explicit DesktopRunnerHost(ui::MainWindow* main);

  void set_status(int part, const Text& text, const Text& tooltip = {}) override;
  void show_failure_and_wait(const Text& message) override;
  void set_clipboard(const Text& text) override;
  void play_completion_sound() override;
  void row_counts_changed() override;
  void set_running(bool running) override;
  bool resume_enabled() override;

  void close() { closed_ = true; }

 private:
  template <typename F>
  void call(F f);

  ui::MainWindow* main_;  // outlives every call: calls stop (close) before it goes
  std::atomic<bool> closed_{false};
};

}  // namespace quarrow::download
