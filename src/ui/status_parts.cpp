#include "ui/status_parts.h"

#include "ui/settings.h"

namespace quarrow::ui {

Settings& settings() {
  static Settings s;
  return s;
}

StatusParts::StatusParts(QWidget* parent) : QWidget(parent) {
  setObjectName("状态条_下载信息");
  for (int i = 0; i < 4; ++i) {
    parts_[i] = new QLabel(this);
    parts_[i]->setObjectName(QString("状态条_下载信息_%1").arg(i));
    parts_[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    parts_[i]->setTextFormat(Qt::PlainText);
  }
  set_part(0, QString::fromUtf8("没有任务"));
  set_part(1, "");
  set_part(2, "0 B/0 B", "0/0");
  set_part(3, "0 B/s");
  set_part_widths({80, 300, 150, 100});
}

void StatusParts::set_part(int part, const QString& text, const QString& tooltip) {
  if (part < 0 || part > 3) return;
  parts_[part]->setText(text);
  if (part == 2) parts_[part]->setToolTip(tooltip);
}

QString StatusParts::part_text(int part) const { return part >= 0 && part < 4 ? parts_[part]->text() : QString(); }
QString StatusParts::part_tooltip(int part) const {
  return part >= 0 && part < 4 ? parts_[part]->toolTip() : QString();
}

void StatusParts::set_part_widths(const std::array<int, 4>& widths) {
  widths_ = widths;
  lay_out();
}

void StatusParts::resizeEvent(QResizeEvent*) { lay_out(); }

void StatusParts::lay_out() {
  int x = 0;
  for (int i = 0; i < 4; ++i) {
    int w = std::max(0, widths_[i]);
    parts_[i]->setGeometry(x, 0, w, height());
    x += w;
  }
}

int StatusParts::part_width(int part) const { return part >= 0 && part < 4 ? parts_[part]->width() : 0; }

}  // namespace quarrow::ui
