#pragma once

#include <QWidget>

namespace quarrow::shell {

// Restores a minimised window, brings it to the front, not as a topmost window.
void activate_window(QWidget* window);
// Brings the window to the front and maximises it, without waiting.
void maximize_window(QWidget* window);

}  // namespace quarrow::shell
