#include "ui/icons.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <map>

namespace quarrow::ui {
namespace {

struct Look {
  const char* theme;
  QColor color;
  const char* label;
};

Look look_of(int index) {
  switch (index) {
    case 0: return {"folder", QColor(0xE8, 0xB3, 0x3C), ""};
    case 1: return {"package-x-generic", QColor(0x8D, 0x6E, 0x63), "ZIP"};
    case 2: return {"application-x-executable", QColor(0x54, 0x6E, 0x7A), "EXE"};
    case 3: return {"image-x-generic", QColor(0x43, 0xA0, 0x47), "IMG"};
    case 4: return {"video-x-generic", QColor(0x8E, 0x24, 0xAA), "VID"};
    case 5: return {"audio-x-generic", QColor(0xD8, 0x1B, 0x60), "MP3"};
    case 6: return {"text-plain", QColor(0x75, 0x75, 0x75), "TXT"};
    case 7: return {"text-x-generic", QColor(0x60, 0x7D, 0x8B), "CFG"};
    case 8: return {"x-office-document", QColor(0x1E, 0x88, 0xE5), "DOC"};
    case 9: return {"x-office-presentation", QColor(0xF4, 0x51, 0x1E), "PPT"};
    case 12: return {"x-office-spreadsheet", QColor(0x2E, 0x7D, 0x32), "XLS"};
    case 22: return {"text-x-script", QColor(0x39, 0x49, 0xAB), "EC"};
    case 23: return {"text-x-script", QColor(0x00, 0x89, 0x7B), "E"};
    default: return {"text-x-generic", QColor(0x90, 0xA4, 0xAE), ""};
  }
}

QPixmap drawn(const Look& look, bool folder) {
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(look.color);
  if (folder) {
    p.drawRoundedRect(QRectF(2, 6, 14, 6), 2, 2);
    p.drawRoundedRect(QRectF(2, 9, 28, 19), 3, 3);
  } else {
    QPainterPath page;
    page.moveTo(6, 2);
    page.lineTo(20, 2);
    page.lineTo(27, 9);
    page.lineTo(27, 30);
    page.lineTo(6, 30);
    page.closeSubpath();
    p.drawPath(page);
    p.setBrush(look.color.lighter(150));
    p.drawPolygon(QPolygonF({QPointF(20, 2), QPointF(27, 9), QPointF(20, 9)}));
    if (*look.label) {
      p.setPen(Qt::white);
      QFont font;
      font.setPixelSize(8);
      font.setBold(true);
      p.setFont(font);
      p.drawText(QRectF(6, 14, 21, 12), Qt::AlignCenter, look.label);
    }
  }
  return pixmap;
}

}  // namespace

QIcon file_type_icon_picture(int index) {
  static std::map<int, QIcon> cache;
  auto it = cache.find(index);
  if (it != cache.end()) return it->second;
  Look look = look_of(index);
  QIcon icon = QIcon::fromTheme(look.theme, QIcon(drawn(look, index == 0)));
  cache[index] = icon;
  return icon;
}

QIcon app_icon() {
  static const QIcon icon = [] {
    QIcon i;
    for (int size : {16, 32, 64}) {
      QPixmap pixmap(size, size);
      pixmap.fill(Qt::transparent);
      QPainter p(&pixmap);
      p.setRenderHint(QPainter::Antialiasing);
      p.scale(size / 16.0, size / 16.0);
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(0x1E, 0x88, 0xE5));
      p.drawRoundedRect(QRectF(0.5, 2.5, 15, 11), 3, 3);
      p.setBrush(Qt::white);
      p.drawEllipse(QRectF(4, 4.5, 7, 7));
      p.setBrush(QColor(0x1E, 0x88, 0xE5));
      p.drawEllipse(QRectF(5.8, 6.3, 3.4, 3.4));
      p.setBrush(Qt::white);
      p.drawRect(QRectF(8.6, 9.2, 3.6, 1.6));
      i.addPixmap(pixmap);
    }
    return i;
  }();
  return icon;
}

}  // namespace quarrow::ui
