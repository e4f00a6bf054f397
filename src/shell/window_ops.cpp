#include "shell/window_ops.h"

#include <QTimer>

namespace quarrow::shell {

void activate_window(QWidget* window) {
  if (!window) return;
  if (window->isMinimized()) window->showNormal();
  window->show();
  window->setWindowFlag(Qt::WindowStaysOnTopHint, false);
  window->raise();
  window->activateWindow();
}

void maximize_window(QWidget* window) {
  if (!window) return;
  window->activateWindow();
  QTimer::singleShot(0, window, [window] { window->showMaximized(); });
}

}  // namespace quarrow::shell
