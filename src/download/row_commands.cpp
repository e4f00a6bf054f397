#include <QAction>

#include <vector>

#include "download/direct_link.h"
#include "download/download_commands.h"
#include "download/list_view_rows.h"
#include "download/task_records.h"
#include "ui/background.h"
#include "ui/desktop_services.h"
#include "ui/main_window.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"
#include "ui/sounds.h"
#include "util/file_ops.h"

namespace quarrow::download {
namespace {

using ui::qs;

QAction* item(QMenu* menu, const char* text) { return menu->findChild<QAction*>(QString::fromUtf8(text)); }

Text local_path_of(const TaskRow& cells) {
  return util::with_trailing_slash(cells[kFolderColumn]) + cells[kNameColumn];
}

// "复制文件外链": the link, followed by "密码:" and the password when there is one.
void copy_share_link(ui::MainWindow* main, QTreeWidget* list) {
  int row = clicked_row(list);
  if (row < 0) return;
  TaskRow cells = ListViewRows::cells_of(list, row);
  const Text& password = cells[kPasswordColumn];
  ui::set_clipboard_text(qs(password.empty() ? cells[kLinkColumn] : cells[kLinkColumn] + "密码:"_t + password));
  main->show_balloon_tip(0, 0, QString::fromUtf8("复制外链成功"));
  ui::play_sound(ui::Sound::kNotify);
}

// "复制文件直链": resolved afresh for a share link. A failure leaves the clipboard
// as it was and says why.
void copy_direct_link(ui::MainWindow* main, QTreeWidget* list) {
  int row = clicked_row(list);
  if (row < 0) return;
  TaskRow cells = ListViewRows::cells_of(list, row);
  struct Result {
    Text direct;
    Text error;
  };
  ui::run_in_background(
      main, ui::make_cancel_flag(),
      [cells] {
        Result r;
        if (cells[kLinkColumn].empty()) {
          r.direct = cells[kDirectColumn];
        } else {
          Text name, size;
          r.direct = resolve_direct_link(cells[kLinkColumn], cells[kPasswordColumn], name, size, r.error);
        }
        return r;
      },
      [main](Result r) {
        if (r.direct.empty()) {
          QString why = r.error.empty() ? QString() : "\n" + qs(r.error);
          main->show_balloon_tip(0, 0, QString::fromUtf8("获取直链失败") + why);
          return;
        }
        ui::set_clipboard_text(qs(r.direct));
        main->show_balloon_tip(0, 0, QString::fromUtf8("复制直链成功，请尽快使用!"));
        ui::play_sound(ui::Sound::kNotify);
      });
}

// "打开文件位置": the file selected in its folder, else the folder.
void show_in_folder(QTreeWidget* list, bool completed) {
  int row = clicked_row(list);
  if (row < 0) return;
  TaskRow cells = ListViewRows::cells_of(list, row);
  if (ui::reveal_in_folder(qs(local_path_of(cells)))) return;
  if (completed) ui::reveal_in_folder(qs(cells[kFolderColumn]));
  else ui::explore_folder(qs(cells[kFolderColumn]));
}

// "打开文件" of the completed list.
void open_completed_file(QTreeWidget* list) {
  int row = clicked_row(list);
  if (row < 0) return;
  Text path = local_path_of(ListViewRows::cells_of(list, row));
  if (util::file_exists(path)) ui::open_file(qs(path));
  else ui::show_message(nullptr, QString::fromUtf8("文件不存在！\r\n") + qs(path), QString::fromUtf8("信息："));
}

// The completed-list commands below hold on to their rows, not to row
// indexes: while a question is up, a run may insert a finished row at the top
// (it never removes one).

// "删除文件" of the completed list: the row, and the local file when the user says so.
void delete_completed_row(ui::MainWindow* main) {
  QTreeWidget* list = main->completed_list();
  int row = clicked_row(list);
  if (row < 0) return;
  QTreeWidgetItem* it = list->topLevelItem(row);
  Text path = local_path_of(ListViewRows::cells_of(list, row));
  if (util::file_exists(path) &&
      ui::ask_yes_no(main, QString::fromUtf8("是否删除本地缓存文件？\r\n") + qs(path), QString::fromUtf8("删除提示"),
                     QMessageBox::Question)) {
    it->setText(kProgressColumn, QString::fromUtf8("删除文件中"));
    util::remove_local_file(path);
  }
  delete it;
  ui::play_sound(ui::Sound::kDelete);
  main->set_tab_captions();
}

// "清空文件": every completed row there when the command began; one question
// decides for every local file. A row that finishes meanwhile stays.
void clear_completed(ui::MainWindow* main) {
  QTreeWidget* list = main->completed_list();
  std::vector<QTreeWidgetItem*> items;
  for (int row = 0; row < list->topLevelItemCount(); ++row) items.push_back(list->topLevelItem(row));
  bool asked = false, remove = false;
  for (QTreeWidgetItem* it : items) {
    it->setText(kProgressColumn, QString::fromUtf8("正在删除"));
    Text path = local_path_of(ListViewRows::cells_of(list, list->indexOfTopLevelItem(it)));
    if (!asked && util::file_exists(path)) {
      remove = ui::ask_yes_no(main, QString::fromUtf8("本地存在缓存文件，是否删除本地缓存文件？"),
                              QString::fromUtf8("删除提示"), QMessageBox::Question);
      asked = true;
    }
    if (remove && util::file_exists(path)) {
      it->setText(kProgressColumn, QString::fromUtf8("删除文件中"));
      util::remove_local_file(path);
    }
    it->setText(kProgressColumn, QString::fromUtf8("删除成功"));
  }
  ui::play_sound(ui::Sound::kDelete);
  for (QTreeWidgetItem* it : items) delete it;
  main->set_tab_captions();
}

// "下载文件" of the completed list: the file queued again, no duplicate check.
void queue_again(ui::MainWindow* main) {
  int row = clicked_row(main->completed_list());
  if (row < 0) return;
  TaskRow cells = ListViewRows::cells_of(main->completed_list(), row);
  cells[kProgressColumn] = "等待下载"_t;
  append_download_task(main, cells);
  main->set_tab_captions();
}

}  // namespace

void install_row_commands(ui::MainWindow& window) {
  ui::MainWindow* main = &window;
  QTreeWidget* downloads = main->download_list();
  QTreeWidget* completed = main->completed_list();
  QMenu* d = main->downloading_menu();
  QMenu* c = main->completed_menu();
  QObject::connect(item(d, "复制文件外链"), &QAction::triggered, main, [main, downloads] { copy_share_link(main, downloads); });
  QObject::connect(item(d, "复制文件直链"), &QAction::triggered, main, [main, downloads] { copy_direct_link(main, downloads); });
  QObject::connect(item(d, "打开文件位置"), &QAction::triggered, main, [downloads] { show_in_folder(downloads, false); });

  QObject::connect(item(c, "打开文件"), &QAction::triggered, main, [completed] { open_completed_file(completed); });
  QObject::connect(item(c, "删除文件"), &QAction::triggered, main, [main] { delete_completed_row(main); });
  QObject::connect(item(c, "清空文件"), &QAction::triggered, main, [main] { clear_completed(main); });
  QObject::connect(item(c, "下载文件"), &QAction::triggered, main, [main] { queue_again(main); });
  QObject::connect(item(c, "复制文件外链"), &QAction::triggered, main, [main, completed] { copy_share_link(main, completed); });
  QObject::connect(item(c, "复制文件直链"), &QAction::triggered, main, [main, completed] { copy_direct_link(main, completed); });
  QObject::connect(item(c, "打开文件位置"), &QAction::triggered, main, [completed] { show_in_folder(completed, true); });
  for (QAction* a : c->actions()) a->setEnabled(true);
}

}  // namespace quarrow::download
