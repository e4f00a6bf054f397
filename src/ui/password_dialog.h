// FolderPasswordDialog and FilePasswordDialog: the share password's switch and
// text, and the share text they make.
#pragma once

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "ui/disk_dialog.h"

namespace quarrow::ui {

class PasswordDialog : public DiskDialog {
  Q_OBJECT
 public:
  PasswordDialog(MainWindow* main, DialogTarget target, bool on, const QString& password, const QString& share_url);

 private:
  void apply_switch_layout(bool on);
  void update_share_text();
  void save();

  DialogTarget target_;
  QString share_url_;
  QCheckBox* switch_box_;
  QLineEdit* password_box_;
  QPlainTextEdit* share_box_;
};

// Opens the dialog of the target's kind (folder or file) filled in, or tells why not.
void open_password_dialog(MainWindow* main, const DialogTarget& target);

}  // namespace quarrow::ui
