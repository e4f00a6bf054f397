#include "ui/commands.h"

#include "ui/main_window.h"

namespace quarrow::ui {

void install_main_window_commands(MainWindow& window) {
  (void)window;
}

}  // namespace quarrow::ui
