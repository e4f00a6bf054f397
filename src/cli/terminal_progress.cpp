#include "cli/terminal_progress.h"

#include <signal.h>
#include <unistd.h>

#include <iostream>

#include "cli/cli_io.h"
#include "download/download_state.h"
#include "download/task_records.h"
#include "util/codepage.h"
#include "util/text_search.h"

namespace quarrow::cli {

void TerminalRows::set_download_cell(int row, int column, const Text& text) {
  MemoryTaskRows::set_download_cell(row, column, text);
  if (column != download::kProgressColumn) return;
  if (!tty_known_) {
    tty_ = ::isatty(STDERR_FILENO) == 1;
    tty_known_ = true;
  }
  std::string line = terminal_text(download_row(row)[download::kNameColumn]) + "  " + terminal_text(sizes) + "  " +
                     terminal_text(speed) + "  " + terminal_text(text);
  if (tty_) std::cerr << '\r' << line << "\033[K" << std::flush;
  else std::cerr << line << '\n';
  open_ = tty_;
}

void TerminalRows::finish_line() {
  if (open_) std::cerr << '\n';
  open_ = false;
}

void TerminalHost::set_status(int part, const Text& text, const Text&) {
  if (part == 2) rows_.sizes = text;
  if (part == 3) rows_.speed = text;
}

void TerminalHost::show_failure_and_wait(const Text& message) {
  rows_.finish_line();
  // Nothing is copied on a terminal: the link stands in the message itself.
  std::cerr << terminal_text(util::replace_all(message, "下载地址已复制，请手动打开网页粘贴下载地址进行查看!\r\n"_t, "")) << '\n';
}

download::RunOutcome run_downloads(TerminalRows& rows) {
  TerminalHost host(rows);
  if (!download::begin_download_run(rows, host)) fail(kFailed, "another download is running in this program");
  struct sigaction action {};
  action.sa_handler = [](int) { download::request_stop(); };
  action.sa_flags = SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  struct sigaction previous {};
  ::sigaction(SIGINT, &action, &previous);
  download::RunOutcome outcome = download::download_runner(rows, host);
  ::sigaction(SIGINT, &previous, nullptr);
  rows.finish_line();
  return outcome;
}

}  // namespace quarrow::cli
