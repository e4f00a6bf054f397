// The program's message boxes: on top, information icon, titled "提示" unless
// said otherwise.
#pragma once

#include <QMessageBox>
#include <QString>

namespace quarrow::ui {

void show_message(QWidget* owner, const QString& text, const QString& title = QString::fromUtf8("提示"),
                  QMessageBox::Icon icon = QMessageBox::Information);
// True when the user answered Yes.
bool ask_yes_no(QWidget* owner, const QString& text, const QString& title = QString::fromUtf8("提示"),
                QMessageBox::Icon icon = QMessageBox::Information);

}  // namespace quarrow::ui
