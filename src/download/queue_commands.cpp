#include <QAction>
#include <QFile>
#include <QPointer>

#include "download/download_commands.h"
#include "download/download_controller.h"
#include "download/download_state.h"
#include "download/list_view_rows.h"
#include "download/partial_file.h"
#include "download/runner.h"
#include "download/task_records.h"
#include "share/new_task_window.h"
#include "ui/settings.h"
#include "ui/main_window.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"
#include "ui/sounds.h"
#include "util/file_ops.h"

namespace quarrow::download {
namespace {

QAction* item(QMenu* menu, const char* text) { return menu->findChild<QAction*>(QString::fromUtf8(text)); }

// The file at `path` is the partial file of this row's task: its record names
// the task's share link (or, without one, its direct URL).
bool own_partial_file(const TaskRow& cells, const Text& path) {
  const Text& key = cells[kLinkColumn].empty() ? cells[kDirectColumn] : cells[kLinkColumn];
  std::optional<PartialRecord> record = read_record(path);
  return record && !key.empty() && record->link == key;
}

// "删除任务": refused while a run is on; asks about the local file first.
void delete_task(ui::MainWindow* main) {
  QTreeWidget* list = main->download_list();
  int row = clicked_row(list);
  if (row < 0) return;
  if (download_run_active()) {
    ui::show_message(main, QString::fromUtf8("正在下载任务中，请先停止！"), QString::fromUtf8("提示"),
                     QMessageBox::Warning);
    return;
  }
  TaskRow cells = ListViewRows::cells_of(list, row);
  Text path = util::with_trailing_slash(cells[kFolderColumn]) + cells[kNameColumn];
  // Only the task's own partial file is offered for deletion: a file of that
  // name without the task's record is the user's, or a finished download.
  if (!cells[kNameColumn].empty() && util::file_exists(path) && own_partial_file(cells, path) &&
      ui::ask_yes_no(main, QString::fromUtf8("是否删除本地缓存文件？\r\n") + ui::qs(path), QString::fromUtf8("删除提示"),
                     QMessageBox::Question)) {
    util::remove_local_file(path);
    remove_record(path);
  }
  delete list->takeTopLevelItem(row);
  main->set_tab_captions();
  ui::play_sound(ui::Sound::kDelete);
}

// The menu's items as they apply now: an empty list offers only "新建任务".
void update_downloading_menu(ui::MainWindow* main) {
  QMenu* menu = main->downloading_menu();
  bool empty = main->download_list()->topLevelItemCount() == 0;
  bool running = download_run_active();
  bool stopping = download_state().stop_requested.load();
  for (const char* text : {"删除任务", "复制文件外链", "复制文件直链", "打开文件位置"}) item(menu, text)->setEnabled(!empty);
  item(menu, "开始任务")->setEnabled(!empty && !running);
  item(menu, "停止任务")->setEnabled(!empty && running && !stopping);
  item(menu, "新建任务")->setEnabled(true);
}

// "新建任务": NewTaskWindow, whose ticked rows join the end of the download list.
void open_new_task(ui::MainWindow* main) {
  share::NewTaskOptions options;
  options.save_folder = main->fixed_folder_box()->text();
  options.smart_ke = ui::settings().smart_ke_enabled != 0;
  options.folder_picker = main->folder_picker;
  // The window is unowned: MainWindow may be gone (log-out) when it hands its rows over.
  options.add_tasks = [main = QPointer<ui::MainWindow>(main)](const std::vector<TaskRow>& rows) {
    if (!main) return;
    for (const TaskRow& row : rows) append_download_task(main, row);
    main->set_tab_captions();
  };
  share::open_new_task_window(options);
}

}  // namespace

int clicked_row(QTreeWidget* list) {
  QList<QTreeWidgetItem*> selected = list->selectedItems();
  return selected.isEmpty() ? -1 : list->indexOfTopLevelItem(selected.first());
}

void append_download_task(ui::MainWindow* main, TaskRow cells) {
  QTreeWidget* list = main->download_list();
  cells[kNumberColumn] = std::to_string(list->topLevelItemCount() + 1);
  ListViewRows::append_row(list, cells);
}

DownloadController* install_download_commands(ui::MainWindow& window) {
  ui::MainWindow* main = &window;
  auto* controller = new DownloadController(main);
  QObject::connect(main, &ui::MainWindow::closing, controller, [controller] { controller->shutdown(); });

  QMenu* menu = main->downloading_menu();
  QObject::disconnect(main->download_list(), &QWidget::customContextMenuRequested, main, nullptr);
  QObject::connect(main->download_list(), &QWidget::customContextMenuRequested, main, [main, menu](const QPoint& at) {
    update_downloading_menu(main);
    menu->popup(main->download_list()->viewport()->mapToGlobal(at));
  });
  QObject::connect(item(menu, "开始任务"), &QAction::triggered, controller, [controller] { controller->start(); });
  QObject::connect(item(menu, "停止任务"), &QAction::triggered, controller, [main, controller] {
    if (!controller->stop()) return;
    item(main->downloading_menu(), "开始任务")->setEnabled(false);
    item(main->downloading_menu(), "停止任务")->setEnabled(false);
  });
  QObject::connect(item(menu, "删除任务"), &QAction::triggered, main, [main] { delete_task(main); });
  QObject::connect(item(menu, "新建任务"), &QAction::triggered, main, [main] { open_new_task(main); });
  QAction* tray_new_task = item(main->tray_menu(), "新建任务");
  tray_new_task->setEnabled(true);
  QObject::connect(tray_new_task, &QAction::triggered, main, [main] {
    main->show_main_window();
    open_new_task(main);
  });

  QAction* disk_download = main->disk_menu()->findChild<QAction*>(QString::fromUtf8("下载文件"));
  disk_download->setEnabled(true);
  QObject::connect(disk_download, &QAction::triggered, main, [main] { queue_disk_files(main); });

  install_row_commands(window);
  return controller;
}

}  // namespace quarrow::download
