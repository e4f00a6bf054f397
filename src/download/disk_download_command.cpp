#include <memory>
#include <vector>

#include "disk/disk_browser.h"
#include "disk/disk_ops.h"
#include "download/download_commands.h"
#include "download/ke_suffix.h"
#include "download/list_view_rows.h"
#include "download/task_records.h"
#include "shell/run_dir.h"
#include "ui/background.h"
#include "ui/main_window.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"
#include "ui/settings.h"
#include "ui/sounds.h"
#include "util/file_ops.h"
#include "util/json_doc.h"

namespace quarrow::download {
namespace {

using ui::qs;
using ui::tx;

struct DiskFile {
  Text id;
  Text name;
  bool folder;
};

// The save folder of the tasks, or nothing when the user cancelled or chose a
// place that cannot hold files.
std::optional<Text> choose_save_folder(ui::MainWindow* main) {
  const Text fallback = shell::default_download_dir();
  if (ui::settings().fixed_dir_enabled) {
    Text folder = tx(main->fixed_folder_box()->text());
    if (folder.empty() || (!util::is_folder(folder) && !util::ensure_folder(folder))) {
      folder = fallback;
      main->fixed_folder_box()->setText(qs(folder));
      util::ensure_folder(folder);
    }
    return folder;
  }
  QString chosen = main->folder_picker ? main->folder_picker() : QString();
  if (chosen.isEmpty()) return std::nullopt;
  Text folder = util::with_trailing_slash(tx(chosen));
  if (!util::is_folder(folder)) {
    ui::show_message(main, QString::fromUtf8("该位置不能进行保存\r\n") + qs(folder));
    return std::nullopt;
  }
  return folder;
}

void fail_file(ui::MainWindow* main, const Text& name, const QString& why) {
  ui::show_message(main, QString::fromUtf8("下载\"") + qs(name) + QString::fromUtf8("\"失败！\r\n") + why,
                   QString::fromUtf8("提示"), QMessageBox::Warning);
}

// Asks the service for each file's share link in turn, appending a task per file.
void queue_in_turn(ui::MainWindow* main, std::shared_ptr<std::vector<DiskFile>> files, size_t next,
                   const Text& folder) {
  while (next < files->size() && (*files)[next].folder) ++next;  // folders are skipped without a word
  if (next >= files->size()) {
    ui::play_sound(ui::Sound::kNotify);
    main->set_tab_captions();
    return;
  }
  DiskFile file = (*files)[next];
  ui::run_in_background(
      main, ui::make_cancel_flag(), [id = file.id] { return disk::get_file_share_info(id); },
      [main, files, next, folder, file](Text answer) {
        util::JsonDoc info;
        if (!info.parse(answer)) {
          fail_file(main, file.name, QString::fromUtf8("获取文件信息失败"));
        } else if (info.get_text("zt") != "1") {
          fail_file(main, file.name, qs(info.get_text("info")));
        } else {
          Text password = info.get_text("info.onof") == "0" ? Text() : info.get_text("info.pwd");
          Text link = info.get_text("info['is_newd']") + "/" + info.get_text("info['f_id']");
          ListViewRows rows(main);
          if (find_row(rows, TaskList::download, kLinkColumn, link) == -1)
            append_download_task(main, new_download_task(0, file.name, "等待计算"_t, link, password, folder));
        }
        queue_in_turn(main, files, next + 1, folder);
      });
}

}  // namespace

void queue_disk_files(ui::MainWindow* main) {
  disk::DiskBrowser* browser = main->disk_browser();
  int clicked = browser->selected_row();
  if (clicked == -1) return;
  if (browser->row_is_folder(clicked)) {
    ui::show_message(main, QString::fromUtf8("不能直接下载文件夹"));
    return;
  }
  std::optional<Text> folder = choose_save_folder(main);
  if (!folder) return;
  auto files = std::make_shared<std::vector<DiskFile>>();
  for (int row : browser->selected_rows()) {
    Text name = tx(browser->row_title(row));
    if (ui::settings().smart_ke_enabled) name = strip_ke_suffix(name);
    files->push_back({browser->row_id(row), name, browser->row_is_folder(row)});
  }
  queue_in_turn(main, files, 0, *folder);
}

}  // namespace quarrow::download
