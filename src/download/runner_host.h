// What the download runner needs of the program around it. The desktop backs
// these with its list views, status bar and menus (every call marshalled to the
// UI thread); tests and the CLI back them with plain in-memory rows.
#pragma once

#include <array>

#include "util/text.h"

namespace quarrow::download {

// One row of the download list or of the completed list: eight text columns
// (0 number, 1 file name, 2 size, 3 progress, 4 share link, 5 password,
// 6 save folder ending with "/", 7 direct URL).
using TaskRow = std::array<Text, 8>;

// The two lists. Rows are addressed by index from the top.
class TaskRows {
 public:
  virtual ~TaskRows() = default;

  virtual int download_count() = 0;
  virtual TaskRow download_row(int row) = 0;
  virtual void set_download_cell(int row, int column, const Text& text) = 0;
  virtual void remove_download_row(int row) = 0;

  virtual int completed_count() = 0;
  virtual TaskRow completed_row(int row) = 0;
  virtual void insert_completed_row(int row, const TaskRow& cells) = 0;
  virtual void set_completed_cell(int row, int column, const Text& text) = 0;
};

// The rest of what a run shows or asks.
class RunnerHost {
 public:
  virtual ~RunnerHost() = default;

  // Status bar part 0 to 3, with an optional tooltip (part 2).
  virtual void set_status(int part, const Text& text, const Text& tooltip = {}) = 0;
  // Shows a message and returns once the user has closed it.
  virtual void show_failure_and_wait(const Text& message) = 0;
  virtual void set_clipboard(const Text& text) = 0;
  virtual void play_completion_sound() = 0;
  // The tab captions follow the row counts.
  virtual void row_counts_changed() = 0;
  // "开始任务" enabled and "停止任务" disabled when false, the reverse when true.
  virtual void set_running(bool running) = 0;
  // The setting "启用断点续载" as it is now.
  virtual bool resume_enabled() = 0;
};

}  // namespace quarrow::download
