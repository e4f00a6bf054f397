// Downloads on a terminal: the runner's rows and host for the command-line
// program, with one progress line on stderr (redrawn in place on a terminal,
// a plain line per update otherwise) and Ctrl-C as a stop request.
#pragma once

#include "download/memory_rows.h"
#include "download/runner.h"

namespace quarrow::cli {

class TerminalRows : public download::MemoryTaskRows {
 public:
  using MemoryTaskRows::MemoryTaskRows;

  // The progress column is the last thing an update writes: the line is drawn then.
  void set_download_cell(int row, int column, const Text& text) override;
  // Ends a line drawn in place before anything else is written.
  void finish_line();

  Text sizes, speed;  // status parts 2 and 3, kept by the host

 private:
  bool tty_ = false;
  bool tty_known_ = false;
  bool open_ = false;
};

class TerminalHost : public download::RunnerHost {
 public:
  explicit TerminalHost(TerminalRows& rows) : rows_(rows) {}

  void set_status(int part, const Text& text, const Text& tooltip = {}) override;
  void show_failure_and_wait(const Text& message) override;
  void set_clipboard(const Text&) override {}
  void play_completion_sound() override {}
  void row_counts_changed() override {}
  void set_running(bool) override {}
  bool resume_enabled() override { return true; }

 private:
  TerminalRows& rows_;
};

// Runs the rows through the download runner on this thread. Ctrl-C asks the run
// to stop (the partial file stays for the next run); a second one ends the program.
download::RunOutcome run_downloads(TerminalRows& rows);

}  // namespace quarrow::cli
