// LoginWindow: account, password, the remember box and the log-in button.
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include "ui/background.h"

namespace quarrow::shell {

class LoginWindow : public QWidget {
  Q_OBJECT
 public:
  explicit LoginWindow(QWidget* parent = nullptr);
  ~LoginWindow() override;

 signals:
  // After a successful log-in, once the choices are stored.
  void logged_in();
  // The window was closed without a log-in.
  void closed_without_login();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void log_in_clicked();

  QLineEdit* account_box_;
  QLineEdit* password_box_;
  QCheckBox* remember_box_;
  QPushButton* log_in_button_;
  ui::CancelFlag cancel_ = ui::make_cancel_flag();
  bool done_ = false;
};

}  // namespace quarrow::shell
