// NewFolderDialog and EditFolderDialog: a folder's name and description.
#pragma once

#include <QLineEdit>
#include <QPlainTextEdit>

#include "ui/disk_dialog.h"

namespace quarrow::ui {

class FolderDialog : public DiskDialog {
  Q_OBJECT
 public:
  // New: in the folder shown; edit: the folder of `target`.
  FolderDialog(MainWindow* main, bool create, DialogTarget target = {});
  void fill(const QString& name, const QString& description);

 private:
  void save();

  bool create_;
  DialogTarget target_;
  QLineEdit* name_box_;
  QPlainTextEdit* description_box_;
};

void open_new_folder_dialog(MainWindow* main);
// Opens the folder's dialog filled in; closes at once (nothing shown) for a file
// row or a folder the service does not name.
void open_edit_folder_dialog(MainWindow* main, const DialogTarget& target);

}  // namespace quarrow::ui
