// NewTaskWindow: share texts pasted in, parsed into candidate files in a
// check-box list, and the ticked ones handed to the download list.
#pragma once

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QString>
#include <QTreeWidget>
#include <QWidget>

#include <functional>
#include <vector>

#include "download/runner_host.h"
#include "share/share_import.h"
#include "ui/background.h"

namespace quarrow::share {

struct NewTaskOptions {
  QString save_folder;        // 编辑框_储存位置's first text: MainWindow's fixed download folder text
  bool smart_ke = false;      // smart_ke_enabled at the moment of parsing
  // Appends the ticked rows to the download list (the lead numbers them: column 0 is set by the callee).
  std::function<void(const std::vector<download::TaskRow>&)> add_tasks;
  std::function<QString()> folder_picker;  // "..."; empty → a QFileDialog folder picker
};

// Opens NewTaskWindow modal and unowned; it reads the clipboard into 编辑框_任务地址 when it opens.
QWidget* open_new_task_window(const NewTaskOptions& options);

// Columns of the found-file list.
enum FoundColumn : int {
  kFoundName = 0,
  kFoundType = 1,
  kFoundSize = 2,
  kFoundLink = 3,
  kFoundPassword = 4,
  kFoundDirect = 5,
};

class NewTaskWindow : public QWidget {
  Q_OBJECT
 public:
  explicit NewTaskWindow(const NewTaskOptions& options);
  ~NewTaskWindow() override;

  // "解析": the list is emptied and refilled off the UI thread.
  void parse();
  // "...": a folder that does not exist is refused with a message.
  void choose_save_folder();
  // "加入下载列表": the ticked rows go to add_tasks, then the window closes.
  void add_to_download_list();

  bool parsing() const { return parsing_; }

 signals:
  // A parse has ended and every row it found is in the list.
  void parse_finished();

 private:
  void append_row(const FoundFile& file);
  void set_busy(bool busy);

  NewTaskOptions options_;
  QPlainTextEdit* address_box_;
  QPushButton* parse_button_;
  QTreeWidget* found_list_;
  QLineEdit* folder_box_;
  QPushButton* folder_button_;
  QPushButton* add_button_;
  ui::CancelFlag cancel_;
  bool parsing_ = false;
};

}  // namespace quarrow::share
