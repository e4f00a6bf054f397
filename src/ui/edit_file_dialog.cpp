#include "ui/edit_file_dialog.h"

#include "disk/disk_ops.h"
#include "ui/main_window.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"
#include "util/text_codec.h"

namespace quarrow::ui {

EditFileDialog::EditFileDialog(MainWindow* main, DialogTarget target, const QString& description)
    : DiskDialog(main, "EditFileDialog", "修改文件", 350, 300), target_(std::move(target)) {
  add_label("标签1", "文件名称：", 24, 16, 184, 24);
  name_box_ = new QLineEdit(target_.title, this);
  name_box_->setObjectName("编辑框_文件名称");
  name_box_->setReadOnly(true);
  name_box_->setGeometry(22, 40, 300, 32);
  add_label("标签2", "文件备注：", 24, 80, 184, 24);
  description_box_ = new QPlainTextEdit(QString(description).replace("\r\n", "\n"), this);
  description_box_->setObjectName("编辑框_文件备注");
  description_box_->setGeometry(22, 104, 300, 112);
  add_label("标签3", "可选项，建议160字数以内。", 24, 232, 152, 24);
  connect(add_save_button(), &QPushButton::clicked, this, &EditFileDialog::save);
}

void EditFileDialog::save() {
  Text id = target_.id;
  Text description = tx(description_box_->toPlainText().replace("\n", "\r\n"));
  run_save([=] { return disk::set_file_description(id, description); },
           [this](const TaskAnswer& answer) {
             if (answer.zt_json() != "0") confirm(answer, true);
             else refuse(answer);
           });
}

void open_edit_file_dialog(MainWindow* main, const DialogTarget& target) {
  if (target.folder) return;
  Text id = target.id;
  fetch_for_dialog(main, [id] { return disk::get_file_info(id); },
                   [main, target](const TaskAnswer& answer) {
                     if (!answer.answered) {
                       show_message(main, unreachable_text());
                       return;
                     }
                     if (answer.text("text").empty()) {
                       // The service's answer tells why the file cannot be described.
                       main->show_balloon_tip(0, 0, qs(util::unicode_unescape(answer.raw)));
                       return;
                     }
                     (new EditFileDialog(main, target, qs(answer.text("info"))))->open();
                   });
}

}  // namespace quarrow::ui
