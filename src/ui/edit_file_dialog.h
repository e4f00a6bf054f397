// EditFileDialog: a file's description (its name is shown, not changed).
#pragma once

#include <QLineEdit>
#include <QPlainTextEdit>

#include "ui/disk_dialog.h"

namespace quarrow::ui {

class EditFileDialog : public DiskDialog {
  Q_OBJECT
 public:
  EditFileDialog(MainWindow* main, DialogTarget target, const QString& description);

 private:
  void save();

  DialogTarget target_;
  QLineEdit* name_box_;
  QPlainTextEdit* description_box_;
};

void open_edit_file_dialog(MainWindow* main, const DialogTarget& target);

}  // namespace quarrow::ui
