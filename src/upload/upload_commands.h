// The upload's part of MainWindow: the disk menu's "上传文件" and the disk
// list as a drop target for files to upload.
#pragma once

namespace quarrow::ui {
class MainWindow;
}

namespace quarrow::upload {

void install_upload_commands(ui::MainWindow& window);

}  // namespace quarrow::upload
