// The download queue of a MainWindow: the runner on a worker thread of its own,
// started by "开始任务", stopped by "停止任务", and waited for when the window goes.
#pragma once

#include <QObject>

#include <atomic>
#include <thread>

#include "download/list_view_rows.h"

namespace quarrow::download {

class DownloadController : public QObject {
  Q_OBJECT
 public:
  explicit DownloadController(ui::MainWindow* main);
  ~DownloadController() override;

  // "开始任务": nothing when the list is empty or a run is on.
  void start();
  // "停止任务": true when a stop was requested.
  bool stop();
  // The window goes: stops a run and waits for the worker.
  void shutdown();

  ListViewRows& rows() { return rows_; }
  DesktopRunnerHost& host() { return host_; }

 private:
  ui::MainWindow* main_;
  ListViewRows rows_;
  DesktopRunnerHost host_;
  std::thread worker_;
  std::atomic<bool> worker_done_{true};
};

}  // namespace quarrow::download
