// The disk menu's "删除文件" (every selected row, files and folders) and
// "删除文件夹" (the folder of the clicked row).
#pragma once

namespace quarrow::ui {
class MainWindow;
}

namespace quarrow::disk {

void delete_selected_rows(ui::MainWindow* main);
void delete_clicked_folder(ui::MainWindow* main);

}  // namespace quarrow::disk
