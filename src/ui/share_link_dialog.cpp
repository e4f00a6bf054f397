#include "ui/share_link_dialog.h"

#include "disk/disk_ops.h"
#include "ui/main_window.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"

namespace quarrow::ui {

Text file_share_text(const Text& base, const Text& key, bool password_on, const Text& password) {
  Text link = base + "/" + key;
  return password_on ? link + "\r\n密码:"_t + password : link;
}

Text folder_share_text(const Text& url, bool password_on, const Text& password) {
  return password_on ? "外链:"_t + url + "\r\n密码:"_t + password : url;
}

ShareLinkDialog::ShareLinkDialog(MainWindow* main, bool folder, const QString& share_text)
    : DiskDialog(main, "ShareLinkDialog", "外链地址分享", 350, 203) {
  add_label("标签1", folder ? "文件夹外链" : "文件外链", 24, 16, 184, 24);
  auto* box = new QPlainTextEdit(QString(share_text).replace("\r\n", "\n"), this);
  box->setObjectName("编辑框_文件夹外链");
  box->setReadOnly(true);
  box->setGeometry(22, 40, 300, 112);
}

void open_share_link_dialog(MainWindow* main, const DialogTarget& target) {
  Text id = target.id;
  bool folder = target.folder;
  fetch_for_dialog(
      main, [id, folder] { return folder ? disk::get_folder_info(id) : disk::get_file_share_info(id); },
      [main, folder](const TaskAnswer& answer) {
        if (!answer.answered) {
          show_message(main, unreachable_text());
          return;
        }
        if (answer.text("zt") != "1") {
          show_message(main, qs(answer.text("info")));
          return;
        }
        bool on = answer.text("info.onof") == "1";
        Text text;
        if (folder) {
          if (answer.text("info.name").empty()) {
            show_message(main, QString::fromUtf8("文件夹不存在!"));
            return;
          }
          text = folder_share_text(answer.text("info['new_url']"), on, answer.text("info.pwd"));
        } else {
          Text key = answer.text("info['f_id']");
          if (answer.text("info.onof").empty() || key.empty()) {
            show_message(main, QString::fromUtf8("文件不存在!"));
            return;
          }
          text = file_share_text(answer.text("info['is_newd']"), key, on, answer.text("info.pwd"));
        }
        (new ShareLinkDialog(main, folder, qs(text)))->open();
      });
}

}  // namespace quarrow::ui
