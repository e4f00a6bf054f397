#include "ui/balloon_tip.h"

namespace quarrow::ui {

BalloonTip::BalloonTip(QWidget* owner) : QLabel(owner, Qt::ToolTip | Qt::FramelessWindowHint) {
  setObjectName("气球提示框1");
  setWordWrap(true);
  setMaximumWidth(360);
  setMargin(8);
  setStyleSheet("QLabel { font-size: 12pt; color: white; background: rgba(40, 40, 40, 220); border-radius: 6px; }");
  hide_timer_.setSingleShot(true);
  connect(&hide_timer_, &QTimer::timeout, this, &QWidget::hide);
}

void BalloonTip::show_at(int x, int y, const QString& text) {
  setText(text);
  adjustSize();
  move(x, y);
  show();
  raise();
  hide_timer_.start(4000);
}

}  // namespace quarrow::ui
