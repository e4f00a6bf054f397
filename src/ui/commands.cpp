#include "ui/commands.h"

#include "download/download_commands.h"

#include "ui/dialog_commands.h"
#include "ui/main_window.h"
#include "ui/persisted_lists.h"
#include "upload/upload_commands.h"

namespace quarrow::ui {
namespace {

// The two download lists live in the configuration file between runs.
void install_persisted_lists(MainWindow& window) {
  auto* saver = new ListSaver(window.download_list(), window.completed_list(), &window);
  MainWindow* main = &window;
  window.on_first_activation = [main, saver] {
    load_list(main->download_list());
    load_list(main->completed_list());
    saver->watch();
  };
  window.on_exit_save = [main] {
    save_list(main->download_list());
    save_list(main->completed_list());
  };
  // A window that goes without its exit save still writes what is pending.
  QObject::connect(main, &MainWindow::closing, saver, [saver] { saver->flush(); });
}

}  // namespace

void install_main_window_commands(MainWindow& window) {
  install_persisted_lists(window);
  install_dialog_commands(window);
  download::install_download_commands(window);
  upload::install_upload_commands(window);
}

}  // namespace quarrow::ui
