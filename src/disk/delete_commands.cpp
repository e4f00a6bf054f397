#include "disk/delete_commands.h"

#include <memory>
#include <vector>

#include "disk/disk_browser.h"
#include "disk/disk_ops.h"
#include "ui/main_window.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"
#include "util/text_codec.h"

namespace quarrow::disk {
namespace {

struct Target {
  Text id;
  bool folder;
};

// Deletes the targets one after another off the UI thread, showing each answer
// in the balloon tip as it comes, then refreshes the folder shown.
void delete_in_turn(ui::MainWindow* main, std::shared_ptr<std::vector<Target>> targets, size_t next,
                    ui::CancelFlag cancel) {
  if (next >= targets->size()) {
    main->disk_browser()->refresh();
    return;
  }
  Target t = (*targets)[next];
  ui::run_in_background(
      main, cancel, [t] { return t.folder ? delete_folder(t.id) : delete_file(t.id); },
      [main, targets, next, cancel](Text answer) {
        main->show_balloon_tip(0, 0, ui::qs(util::unicode_unescape(answer)));
        delete_in_turn(main, targets, next + 1, cancel);
      });
}

}  // namespace

void delete_selected_rows(ui::MainWindow* main) {
  DiskBrowser* browser = main->disk_browser();
  if (browser->selected_row() == -1) return;
  std::vector<int> rows = browser->selected_rows();
  QString question = rows.size() == 1 ? QString::fromUtf8("是否删除该文件？")
                                      : QString::fromUtf8("是否删除被选中的此%1个文件？").arg(rows.size());
  if (!ui::ask_yes_no(main, question)) return;
  auto targets = std::make_shared<std::vector<Target>>();
  for (int row : rows) targets->push_back({browser->row_id(row), browser->row_is_folder(row)});
  delete_in_turn(main, targets, 0, ui::make_cancel_flag());
}

void delete_clicked_folder(ui::MainWindow* main) {
  DiskBrowser* browser = main->disk_browser();
  int row = browser->selected_row();
  if (row == -1 || !browser->row_is_folder(row)) return;
  QString question = QString::fromUtf8("是否删除\"") + browser->row_title(row) + QString::fromUtf8("\"文件夹？");
  if (!ui::ask_yes_no(main, question)) return;
  Text id = browser->row_id(row);
  ui::run_in_background(
      main, ui::make_cancel_flag(), [id] { return delete_folder(id); },
      [main](Text) { main->disk_browser()->refresh(); });
}

}  // namespace quarrow::disk
