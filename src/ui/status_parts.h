// The download status bar: four parts side by side (state, file name, bytes,
// speed), each a label of its own.
#pragma once

#include <QLabel>
#include <QWidget>

#include <array>

namespace quarrow::ui {

class StatusParts : public QWidget {
  Q_OBJECT
 public:
  explicit StatusParts(QWidget* parent);
  void set_part(int part, const QString& text, const QString& tooltip = {});
  QString part_text(int part) const;
  QString part_tooltip(int part) const;
  void set_part_widths(const std::array<int, 4>& widths);
  int part_width(int part) const;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void lay_out();
  std::array<QLabel*, 4> parts_{};
  std::array<int, 4> widths_{};
};

}  // namespace quarrow::ui
