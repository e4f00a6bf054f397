// The desktop program run by a test as a process of its own, driven from inside
// (a test cannot click in another process): it resumes the saved log-in and
// starts the download queue, then runs until it is killed.
#include <QAction>
#include <QApplication>
#include <QTimer>

#include <string>

#include "disk/disk_browser.h"
#include "gui_support.h"
#include "shell/app.h"
#include "ui/main_window.h"

namespace quarrow::testing {

int run_child_program(const std::string& mode) {
  if (mode != "download-run") return 2;
  shell::App app;
  app.start();
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    ui::MainWindow* w = app.main_window();
    if (!w || !w->first_activation_done() || w->disk_browser()->listing()) return;
    poll.stop();
    emit w->download_list()->customContextMenuRequested(QPoint(2, 2));
    w->downloading_menu()->hide();
    w->downloading_menu()->findChild<QAction*>(QString::fromUtf8("开始任务"))->trigger();
  });
  poll.start(20);
  return QApplication::exec();
}

}  // namespace quarrow::testing
