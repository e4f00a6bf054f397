// UploadWindow: the upload queue in a window of its own. Files come from its
// "添加文件" button or are dropped on it or on MainWindow's disk list; each row
// goes to the folder MainWindow showed when the row was added. "开始上传" runs
// the queue on a worker thread, which reports to the window through queued
// calls only, so the window can always stop and wait for it.
#pragma once

#include <QPointer>
#include <QPushButton>
#include <QTreeWidget>
#include <QWidget>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "upload/upload_queue.h"
#include "util/text.h"

class QMimeData;

namespace quarrow::ui {
class MainWindow;
}

namespace quarrow::upload {

// The local files among dropped data, joined by CR LF; "" when there are none.
Text dropped_paths(const QMimeData* data);
// Whether dropped data holds local files.
bool holds_local_files(const QMimeData* data);

// The open-file dialog with several files allowed: the chosen full paths
// joined by CR LF, "" when cancelled. `filter` is "label|pattern|label|pattern…".
Text pick_files_dialog(QWidget* owner, const QString& title, const QString& filter);

class UploadWindow : public QWidget {
  Q_OBJECT
 public:
  // Unowned and modeless; it deletes itself when closed. `main_window` gives
  // the destination folder of added files and is refreshed after a run.
  explicit UploadWindow(ui::MainWindow* main_window = nullptr);
  ~UploadWindow() override;

  // The one open upload window, or null.
  static UploadWindow* current();
  // Shows the open window, or a new one, in front.
  static UploadWindow* open(ui::MainWindow* main_window);

  // Appends a row per acceptable file of the CR LF-separated paths.
  void add_upload_files(const Text& paths);
  // "开始上传": nothing while a run is on.
  void start_upload();
  bool running() const { return worker_.joinable(); }

  QTreeWidget* upload_list() const { return list_; }
  QPushButton* add_button() const { return add_button_; }
  QPushButton* start_button() const { return start_button_; }

  // Chooses the files of "添加文件"; tests replace it.
  static std::function<Text(QWidget* owner, const QString& title, const QString& filter)> pick_files;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  class Rows;

  Text destination_folder() const;
  void show_state(int row, const Text& state);
  void run_finished();
  // Ends the run at its next safe point and waits for the worker.
  void stop_worker();

  QPointer<ui::MainWindow> main_window_;
  QPushButton* add_button_;
  QPushButton* start_button_;
  QTreeWidget* list_;
  std::unique_ptr<Rows> rows_;
  std::atomic<bool> cancel_{false};
  std::thread worker_;
};

}  // namespace quarrow::upload
