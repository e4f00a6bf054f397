#include "shell/app.h"

#include <QTimer>

#include "shell/config_store.h"
#include "shell/login_state.h"
#include "shell/login_window.h"
#include "shell/scramble.h"
#include "shell/session.h"
#include "shell/window_ops.h"
#include "ui/commands.h"
#include "ui/main_window.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"

namespace quarrow::shell {
namespace {

const QString kUnreachable = QString::fromUtf8("无法连接服务器，请检查网络后重试。");

}  // namespace

App::App(QObject* parent) : QObject(parent) {}

App::~App() {
  cancel_->store(true);
  delete main_;
  delete login_;
}

LoginWindow* App::login_window() const { return login_; }
ui::MainWindow* App::main_window() const { return main_; }

void App::start() {
  Text cookie = unscramble_text(config_read("配置"_t, "ck"));
  if (cookie.empty()) {
    config_write("配置"_t, "ck", "");
    show_login();
    return;
  }
  ui::run_in_background(
      this, cancel_, [cookie]() mutable { return check_cookie(cookie); },
      [this](CookieCheck check) {
        if (check_succeeded(check)) {
          set_account_name(check.account);
          show_main();
        } else if (check.answered) {
          config_write("配置"_t, "ck", "");  // only an answer shows that the cookie has expired
          show_login();
        } else {
          show_login(kUnreachable);  // offline: the saved log-in stays for the next start
        }
      });
}

void App::show_login(const QString& message) {
  login_ = new LoginWindow;
  connect(login_, &LoginWindow::logged_in, this, [this] {
    show_main();
    login_->deleteLater();
  });
  connect(login_, &LoginWindow::closed_without_login, this, [this] {
    if (!main_) exit_program();
  });
  login_->show();
  if (!message.isEmpty()) {
    QPointer<LoginWindow> window = login_;
    QTimer::singleShot(0, window, [window, message] { ui::show_message(window, message); });
  }
}

void App::show_main() {
  main_ = new ui::MainWindow;
  connect(main_, &ui::MainWindow::exit_requested, this, &App::exit_program);
  connect(main_, &ui::MainWindow::log_out_requested, this, &App::log_out);
  connect(main_, &ui::MainWindow::session_expired, this, &App::session_expired);
  ui::install_main_window_commands(*main_);
  if (on_main_window_created) on_main_window_created(main_);
  main_->show();
}

void App::close_main_window() {
  if (!main_) return;
  main_->exit_save();
  main_->hide();
  main_->deleteLater();
  main_ = nullptr;
}

void App::log_out() {
  // The request's answer is not needed: LoginWindow returns whatever happens to it.
  ui::run_in_background(
      this, cancel_, [] { shell::log_out(); return 0; }, [](int) {});
  config_write("配置"_t, "ck", "");
  show_login();
  close_main_window();
}

void App::session_expired() {
  if (main_) ui::show_message(main_, QString::fromUtf8("登录已过期，请重新登录。"));
  config_write("配置"_t, "ck", "");
  show_login();
  close_main_window();
}

void App::activate() {
  if (login_ && login_->isVisible()) activate_window(login_);
  else if (main_ && main_->isVisible()) activate_window(main_);
}

void App::exit_program() {
  if (finishing_) return;
  finishing_ = true;
  close_main_window();
  if (login_) {
    login_->hide();
    login_->deleteLater();
  }
  emit finished();
}

}  // namespace quarrow::shell
