#include "ui/dialog_commands.h"

#include <QAction>

#include "disk/delete_commands.h"
#include "disk/disk_browser.h"
#include "ui/edit_file_dialog.h"
#include "ui/folder_dialogs.h"
#include "ui/main_window.h"
#include "ui/password_dialog.h"
#include "ui/share_link_dialog.h"

namespace quarrow::ui {
namespace {

// The row of the last right click, or nothing when none was selected.
std::optional<DialogTarget> clicked_target(MainWindow* main) {
  disk::DiskBrowser* browser = main->disk_browser();
  int row = browser->selected_row();
  if (row == -1) return std::nullopt;
  return DialogTarget{browser->row_id(row), browser->row_title(row), browser->row_is_folder(row)};
}

void on(MainWindow& window, const char* item, std::function<void()> command) {
  QAction* action = window.disk_menu()->findChild<QAction*>(QString::fromUtf8(item));
  if (!action) return;
  action->setEnabled(true);
  QObject::connect(action, &QAction::triggered, &window, std::move(command));
}

}  // namespace

void install_dialog_commands(MainWindow& window) {
  MainWindow* main = &window;
  on(window, "新建文件夹", [main] { open_new_folder_dialog(main); });
  on(window, "删除文件夹", [main] { disk::delete_clicked_folder(main); });
  on(window, "修改文件备注", [main] {
    if (auto target = clicked_target(main))
      target->folder ? open_edit_folder_dialog(main, *target) : open_edit_file_dialog(main, *target);
  });
  on(window, "设置文件密码", [main] {
    if (auto target = clicked_target(main)) open_password_dialog(main, *target);
  });
  on(window, "删除文件", [main] { disk::delete_selected_rows(main); });
  on(window, "分享文件", [main] {
    if (auto target = clicked_target(main)) open_share_link_dialog(main, *target);
  });
}

}  // namespace quarrow::ui
