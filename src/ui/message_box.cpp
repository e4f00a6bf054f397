#include "ui/message_box.h"

#include <QAbstractButton>

namespace quarrow::ui {
namespace {

QMessageBox* make_box(QWidget* owner, const QString& text, const QString& title, QMessageBox::Icon icon) {
  auto* box = new QMessageBox(icon, title.isEmpty() ? QString::fromUtf8("信息：") : title, text,
                              QMessageBox::NoButton, owner);
  box->setObjectName("消息框");
  box->setAttribute(Qt::WA_DeleteOnClose, false);
  box->setWindowFlag(Qt::WindowStaysOnTopHint, true);
  return box;
}

}  // namespace

void show_message(QWidget* owner, const QString& text, const QString& title, QMessageBox::Icon icon) {
  QMessageBox* box = make_box(owner, text, title, icon);
  box->setStandardButtons(QMessageBox::Ok);
  box->exec();
  delete box;
}

bool ask_yes_no(QWidget* owner, const QString& text, const QString& title, QMessageBox::Icon icon) {
  QMessageBox* box = make_box(owner, text, title, icon);
  box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
  box->button(QMessageBox::Yes)->setText(QString::fromUtf8("是"));
  box->button(QMessageBox::No)->setText(QString::fromUtf8("否"));
  bool yes = box->exec() == QMessageBox::Yes;
  delete box;
  return yes;
}

}  // namespace quarrow::ui
