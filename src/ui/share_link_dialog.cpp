#include "ui/share_link_dialog.h"

#include "disk/disk_ops.h"
#include "ui/main_window.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"

namespace quarrow::ui {

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
        ShareInfo info = read_share_info(answer, folder, 1);
        if (info.failure) {
          show_message(main, qs(*info.failure));
          return;
        }
        Text text = folder ? folder_share_text(info.url, info.on, info.password)
                           : file_share_text(info.url, info.on, info.password);
        (new ShareLinkDialog(main, folder, qs(text)))->open();
      });
}

}  // namespace quarrow::ui
