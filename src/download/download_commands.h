// The download commands of MainWindow: the download list's menu "正在下载菜单",
// the completed list's menu "下载完成菜单", the disk menu's "下载文件", and the
// tray's "新建任务".
#pragma once

#include <QTreeWidget>

#include "download/runner_host.h"

namespace quarrow::ui {
class MainWindow;
}

namespace quarrow::download {

class DownloadController;

// Creates the window's download controller and wires every command to it.
DownloadController* install_download_commands(ui::MainWindow& window);

// The commands on single rows of both lists (links, files, folders, removal).
void install_row_commands(ui::MainWindow& window);
// The disk menu's "下载文件": the selected disk files become download tasks.
void queue_disk_files(ui::MainWindow* main);

// The clicked (selected) row of a list view, -1 when none.
int clicked_row(QTreeWidget* list);
// Appends a task at the end of the download list, numbered index + 1.
void append_download_task(ui::MainWindow* main, TaskRow cells);

}  // namespace quarrow::download
