// MainWindow's balloon tip: a short confirmation near the window's middle that
// fades after a few seconds.
#pragma once

#include <QLabel>
#include <QTimer>

namespace quarrow::ui {

class BalloonTip : public QLabel {
  Q_OBJECT
 public:
  explicit BalloonTip(QWidget* owner);
  // Shows the text at screen position (x, y).
  void show_at(int x, int y, const QString& text);

 private:
  QTimer hide_timer_;
};

}  // namespace quarrow::ui
