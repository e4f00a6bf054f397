#include "shell/login_window.h"

#include <QCloseEvent>

#include "net/endpoints.h"
#include "shell/config_store.h"
#include "shell/scramble.h"
#include "shell/session.h"
#include "ui/desktop_services.h"
#include "ui/icons.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"

namespace quarrow::shell {

using ui::qs;
using ui::tx;

LoginWindow::LoginWindow(QWidget* parent) : QWidget(parent) {
  setObjectName("LoginWindow");
  setWindowTitle(QString::fromUtf8("Quarrow盘"));
  setWindowIcon(ui::app_icon());
  setFixedSize(380, 250);
  move(50, 50);

  auto label = [this](const char* name, const char* text, int x, int y, int w, int h) {
    auto* l = new QLabel(QString::fromUtf8(text), this);
    l->setObjectName(QString::fromUtf8(name));
    l->setGeometry(x, y, w, h);
    return l;
  };
  label("标签1", "账号：", 88, 48, 48, 24);
  account_box_ = new QLineEdit(this);
  account_box_->setObjectName("编辑框_账号");
  account_box_->setGeometry(136, 48, 136, 20);
  label("标签2", "密码：", 88, 80, 48, 24);
  password_box_ = new QLineEdit(this);
  password_box_->setObjectName("编辑框_密码");
  password_box_->setEchoMode(QLineEdit::Password);
  password_box_->setGeometry(136, 80, 136, 20);
  remember_box_ = new QCheckBox(QString::fromUtf8("记住密码"), this);
  remember_box_->setObjectName("选择框_记住密码");
  remember_box_->setGeometry(136, 112, 80, 24);
  QLabel* link = label("超级链接框1", "", 216, 112, 64, 24);
  link->setText(QString::fromUtf8("<a href=\"register\">注册账号</a>"));
  connect(link, &QLabel::linkActivated, this,
          [] { ui::open_in_browser(qs(net::disk_host() + "/account.php?action=register")); });
  log_in_button_ = new QPushButton(QString::fromUtf8("登录"), this);
  log_in_button_->setObjectName("按钮_登录");
  log_in_button_->setGeometry(88, 144, 184, 32);
  log_in_button_->setDefault(true);
  connect(log_in_button_, &QPushButton::clicked, this, &LoginWindow::log_in_clicked);
  connect(password_box_, &QLineEdit::returnPressed, log_in_button_, &QPushButton::click);

  remember_box_->setChecked(config_read("配置"_t, "记住密码"_t) == "真"_t);
  account_box_->setText(qs(config_read("配置"_t, "账号"_t)));
  password_box_->setText(qs(unscramble_text(config_read("配置"_t, "密码"_t))));
}

LoginWindow::~LoginWindow() { cancel_->store(true); }

void LoginWindow::log_in_clicked() {
  log_in_button_->setEnabled(false);
  log_in_button_->setText(QString::fromUtf8("登录中"));
  Text account = tx(account_box_->text());
  Text password = tx(password_box_->text());
  bool remember = remember_box_->isChecked();
  ui::run_in_background(
      this, cancel_, [account, password] { return log_in(account, password); },
      [this, account, password, remember](LoginResult result) {
        if (!login_succeeded(result)) {
          ui::show_message(this, qs(result.message), QString::fromUtf8("登录"));
          log_in_button_->setEnabled(true);
          log_in_button_->setText(QString::fromUtf8("登录"));
          return;
        }
        remember_login(account, password, result.cookies, remember);
        log_in_button_->setEnabled(true);
        log_in_button_->setText(QString::fromUtf8("登录"));
        done_ = true;
        emit logged_in();
      });
}

void LoginWindow::closeEvent(QCloseEvent* event) {
  QWidget::closeEvent(event);
  if (!done_) emit closed_without_login();
}

}  // namespace quarrow::shell
