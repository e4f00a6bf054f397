#include "ui/folder_dialogs.h"

#include "disk/disk_browser.h"
#include "disk/disk_ops.h"
#include "ui/main_window.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"

namespace quarrow::ui {

FolderDialog::FolderDialog(MainWindow* main, bool create, DialogTarget target)
    : DiskDialog(main, create ? "NewFolderDialog" : "EditFolderDialog", create ? "新建文件夹" : "修改文件夹", 350, 300),
      create_(create),
      target_(std::move(target)) {
  add_label("标签1", "文件夹名称：", 24, 16, 184, 24);
  name_box_ = new QLineEdit(create ? QString::fromUtf8("新建文件夹") : QString(), this);
  name_box_->setObjectName("编辑框_文件夹名称");
  name_box_->setGeometry(22, 40, 300, 32);
  add_label("标签2", "文件夹备注：", 24, 80, 184, 24);
  description_box_ = new QPlainTextEdit(this);
  description_box_->setObjectName("编辑框_文件夹备注");
  description_box_->setGeometry(22, 104, 300, 112);
  add_label("标签3", "可选项，建议160字数以内。", 24, 232, 152, 24);
  connect(add_save_button(), &QPushButton::clicked, this, &FolderDialog::save);
}

void FolderDialog::fill(const QString& name, const QString& description) {
  name_box_->setText(name);
  description_box_->setPlainText(QString(description).replace("\r\n", "\n"));
}

void FolderDialog::save() {
  Text name = tx(name_box_->text());
  // Line breaks travel as CR LF, as the service keeps them.
  Text description = tx(description_box_->toPlainText().replace("\n", "\r\n"));
  if (create_) {
    Text parent = main_->disk_browser()->path_button_id(main_->disk_browser()->path_button_count() - 1);
    run_save([=] { return disk::create_folder(parent, name, description); },
             [this](const TaskAnswer& answer) {
               if (answer.text("zt") == "1") confirm(answer, true);
               else refuse(answer);
             });
  } else {
    Text id = target_.id;
    run_save([=] { return disk::edit_folder(id, name, description); },
             [this](const TaskAnswer& answer) {
               if (answer.zt_json() != "0") confirm(answer, true);
               else refuse(answer);
             });
  }
}

void open_new_folder_dialog(MainWindow* main) { (new FolderDialog(main, true))->open(); }

void open_edit_folder_dialog(MainWindow* main, const DialogTarget& target) {
  if (!target.folder) return;
  Text id = target.id;
  fetch_for_dialog(main, [id] { return disk::get_folder_info(id); },
                   [main, target](const TaskAnswer& answer) {
                     if (!answer.answered) {
                       show_message(main, unreachable_text());
                       return;
                     }
                     Text name = answer.text("info.name");
                     if (name.empty()) return;
                     auto* dialog = new FolderDialog(main, false, target);
                     dialog->fill(qs(name), qs(answer.text("info.des")));
                     dialog->open();
                   });
}

}  // namespace quarrow::ui
