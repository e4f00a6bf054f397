// The commands of the subsystems, wired into a new MainWindow: the menus'
// items, the drop target, and whatever else a subsystem hangs on the window.
#pragma once

namespace quarrow::ui {

class MainWindow;

void install_main_window_commands(MainWindow& window);

}  // namespace quarrow::ui
