// The desktop program run by a test as a process of its own, driven from inside
// (a test cannot click in another process). It resumes the saved log-in, then
// "download-run" starts the download queue, "add-rows" queues two tasks and
// leaves the file "rows-added" in the run directory; either runs until killed.
#include <QAction>
#include <QApplication>
#include <QTimer>

#include <fstream>
#include <string>

#include "disk/disk_browser.h"
#include "download/download_commands.h"
#include "shell/run_dir.h"
#include "util/codepage.h"
#include "gui_support.h"
#include "shell/app.h"
#include "ui/main_window.h"

namespace quarrow::testing {

int run_child_program(const std::string& mode) {
  if (mode != "download-run" && mode != "add-rows") return 2;
  shell::App app;
  app.start();
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    ui::MainWindow* w = app.main_window();
    if (!w || !w->first_activation_done() || w->disk_browser()->listing()) return;
    poll.stop();
    if (mode == "add-rows") {
      for (const char* name : {"queued-1.zip", "queued-2.zip"})
        download::append_download_task(w, {"", name, "等待计算"_t, "等待下载"_t, std::string("http://example.invalid/i") + name, "", "/tmp/", ""});
      w->set_tab_captions();
      std::ofstream(shell::run_dir() + "rows-added") << "1";
      return;
    }
    emit w->download_list()->customContextMenuRequested(QPoint(2, 2));
    w->downloading_menu()->hide();
    w->downloading_menu()->findChild<QAction*>(QString::fromUtf8("开始任务"))->trigger();
  });
  poll.start(20);
  return QApplication::exec();
}

}  // namespace quarrow::testing
