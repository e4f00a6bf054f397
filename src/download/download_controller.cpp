#include "download/download_controller.h"

#include <QCoreApplication>

#include <chrono>

#include "download/runner.h"
#include "ui/main_window.h"

namespace quarrow::download {

DownloadController::DownloadController(ui::MainWindow* main)
    : QObject(main), main_(main), rows_(main), host_(main) {}

DownloadController::~DownloadController() { shutdown(); }

void DownloadController::start() {
  if (worker_.joinable()) {
    if (download_run_active()) return;
    // The last run has ended, but its worker may still be handing its last
    // changes to this thread: carry them out until it returns.
    while (!worker_done_) {
      QCoreApplication::sendPostedEvents(qApp, QEvent::MetaCall);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    worker_.join();
  }
  if (!begin_download_run(rows_, host_)) return;
  worker_done_ = false;
  worker_ = std::thread([this] {
    download_runner(rows_, host_);
    worker_done_ = true;
  });
}

bool DownloadController::stop() { return stop_download_run(rows_); }

void DownloadController::shutdown() {
  if (!worker_.joinable()) return;
  if (!worker_done_) {
    stop_download_run(rows_);
    rows_.close();
    host_.close();
    // The worker may be waiting for a call it handed to the UI thread: run those
    // (they do nothing now) until it returns.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!worker_done_ && std::chrono::steady_clock::now() < deadline) {
      QCoreApplication::sendPostedEvents(qApp, QEvent::MetaCall);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  if (worker_done_) worker_.join();
  else worker_.detach();  // stuck in a request that ignores its cancel: the process ends anyway
}

}  // namespace quarrow::download
