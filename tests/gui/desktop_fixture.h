// GUI tests of the desktop program against the emulator: a fresh run
// directory per test, and the program's course (App) driven in-process.
#pragma once

#include <QToolBar>

#include <memory>

#include "e2e_fixture.h"
#include "gui_support.h"
#include "disk/disk_browser.h"
#include "shell/app.h"
#include "shell/config_store.h"
#include "shell/login_window.h"
#include "shell/scramble.h"
#include "ui/desktop_services.h"
#include "ui/main_window.h"
#include "util/codepage.h"

namespace quarrow::testing {

class DesktopTest : public E2eTest {
 protected:
  void SetUp() override {
    E2eTest::SetUp();
    ui::MainWindow::tray_available = [] { return true; };
    ui::desktop_hooks().open_url = [this](const QString& url) {
      opened_.push_back(url.toStdString());
      return true;
    };
  }
  void TearDown() override {
    app_.reset();
    QTest::qWait(50);  // let deferred deletions run
    ui::desktop_hooks().open_url = nullptr;
    E2eTest::TearDown();
  }

  // A saved, remembered log-in as a successful log-in with the box ticked leaves it.
  void save_login(const std::string& account, const std::string& cookie) {
    shell::config_write("配置"_t, "记住密码"_t, "真"_t);
    shell::config_write("配置"_t, "账号"_t, account);
    shell::config_write("配置"_t, "ck", shell::scramble_text(cookie));
  }

  shell::App& start() {
    app_ = std::make_unique<shell::App>();
    finished_ = false;
    QObject::connect(app_.get(), &shell::App::finished, [this] { finished_ = true; });
    app_->start();
    return *app_;
  }
  shell::LoginWindow* login_window() { return app_ ? app_->login_window() : nullptr; }
  ui::MainWindow* main_window() { return app_ ? app_->main_window() : nullptr; }

  // Waits until MainWindow shows the listing of its first activation.
  ui::MainWindow* wait_for_main_window() {
    if (!wait_for([&] { return main_window() && main_window()->first_activation_done(); })) return nullptr;
    ui::MainWindow* w = main_window();
    if (!wait_for([&] { return !w->disk_browser()->listing(); })) return nullptr;
    return w;
  }

  static std::vector<std::string> row_titles(QListWidget* list) {
    std::vector<std::string> titles;
    for (int i = 0; i < list->count(); ++i) titles.push_back(list->item(i)->text().toStdString());
    return titles;
  }

  std::unique_ptr<shell::App> app_;
  bool finished_ = false;
  std::vector<std::string> opened_;
};

}  // namespace quarrow::testing
