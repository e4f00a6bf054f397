// The disk menu's items that open the file and folder dialogs or delete.
#pragma once

namespace quarrow::ui {

class MainWindow;

void install_dialog_commands(MainWindow& window);

}  // namespace quarrow::ui
