#include "ui/password_dialog.h"

#include "disk/disk_ops.h"
#include "ui/main_window.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"

namespace quarrow::ui {

PasswordDialog::PasswordDialog(MainWindow* main, DialogTarget target, bool on, const QString& password,
                               const QString& share_url)
    : DiskDialog(main, target.folder ? "FolderPasswordDialog" : "FilePasswordDialog",
                 target.folder ? "设置文件夹密码" : "设置文件密码", 350, 300),
      target_(std::move(target)),
      share_url_(share_url) {
  const bool folder = target_.folder;
  switch_box_ = new QCheckBox(QString::fromUtf8("密码开关"), this);
  switch_box_->setObjectName(folder ? "选择框_文件夹密码开关" : "选择框_文件密码开关");
  switch_box_->setGeometry(24, 16, 296, 24);
  switch_box_->setChecked(true);
  password_box_ = new QLineEdit(this);
  password_box_->setObjectName(folder ? "编辑框_文件夹密码" : "编辑框_文件密码");
  password_box_->setGeometry(22, 40, 300, 32);
  add_label("标签2", folder ? "文件夹外链：" : "文件外链：", 24, 80, 184, 24);
  share_box_ = new QPlainTextEdit(this);
  share_box_->setObjectName(folder ? "编辑框_文件夹外链" : "编辑框_文件外链");
  share_box_->setReadOnly(true);
  share_box_->setGeometry(22, 104, 300, 112);
  add_label("标签1", "密码长度在0到12位之间", 24, 232, 144, 24);
  add_save_button();

  switch_box_->setChecked(on);
  apply_switch_layout(on);
  password_box_->setText(password);
  update_share_text();
  connect(switch_box_, &QCheckBox::clicked, this, [this](bool checked) { apply_switch_layout(checked); });
  connect(password_box_, &QLineEdit::textChanged, this, [this] { update_share_text(); });
  connect(save_button_, &QPushButton::clicked, this, &PasswordDialog::save);
}

void PasswordDialog::apply_switch_layout(bool on) {
  setFixedHeight(on ? 300 : 116);
  save_button_->move(save_button_->x(), on ? 224 : 40);
  password_box_->setVisible(on);
}

void PasswordDialog::update_share_text() {
  share_box_->setPlainText(QString::fromUtf8("外链:") + share_url_ + QString::fromUtf8("\n密码:") + password_box_->text());
}

void PasswordDialog::save() {
  Text id = target_.id;
  Text on_off = switch_box_->isChecked() ? "1" : "0";
  Text password = tx(password_box_->text());
  bool folder = target_.folder;
  run_save(
      [=] {
        return folder ? disk::set_folder_password(id, on_off, password) : disk::set_file_password(id, on_off, password);
      },
      [this](const TaskAnswer& answer) {
        if (answer.text("zt") == "1") confirm(answer, false);
        else refuse(answer);
      });
}

void open_password_dialog(MainWindow* main, const DialogTarget& target) {
  Text id = target.id;
  bool folder = target.folder;
  fetch_for_dialog(
      main, [id, folder] { return folder ? disk::get_folder_info(id) : disk::get_file_share_info(id); },
      [main, target](const TaskAnswer& answer) {
        ShareInfo info = read_share_info(answer, target.folder, 3);
        if (info.failure) {
          show_message(main, qs(*info.failure));
          return;
        }
        (new PasswordDialog(main, target, info.on, qs(info.password), qs(info.url)))->open();
      });
}

}  // namespace quarrow::ui
