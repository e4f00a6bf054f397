#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>

#include "desktop_fixture.h"
#include "disk/disk_browser.h"
#include "shell/session.h"
#include "ui/status_parts.h"
#include "util/file_ops.h"

namespace quarrow::testing {
namespace {

class StartUpTest : public DesktopTest {};

TEST_F(StartUpTest, FirstStartOpensLoginWindowWithoutAnyRequest) {
  start();
  ASSERT_TRUE(wait_for([&] { return login_window() && login_window()->isVisible(); }));
  EXPECT_EQ(login_window()->windowTitle().toStdString(), "Quarrow盘");
  EXPECT_EQ(login_window()->size(), QSize(380, 250));
  EXPECT_TRUE(server().request_log().empty());
  EXPECT_EQ(shell::config_read("配置"_t, "ck", "absent"), "");
  EXPECT_EQ(main_window(), nullptr);

  login_window()->close();
  EXPECT_TRUE(wait_for([&] { return finished_; })) << "closing LoginWindow without a log-in ends the program";
}

TEST_F(StartUpTest, LogInOutcomesInTheMessageBox) {
  std::string account;
  new_user("outcome", &account, "right123");
  struct Case {
    std::string account, password, message;
  };
  const Case cases[] = {
      {"nobody-here", "x", "该用户名未注册。"},
      {account, "wrong", "用户密码不正确，长度请在6-20位之间。"},
      {"", "", "用户名或密码错误。"},
  };
  start();
  ASSERT_TRUE(wait_for([&] { return login_window() != nullptr; }));
  auto* window = login_window();
  auto* button = window->findChild<QPushButton*>("按钮_登录");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    MessageAnswerer answerer;
    window->findChild<QLineEdit*>("编辑框_账号")->setText(QString::fromStdString(c.account));
    window->findChild<QLineEdit*>("编辑框_密码")->setText(QString::fromStdString(c.password));
    button->click();
    EXPECT_FALSE(button->isEnabled());
    EXPECT_EQ(button->text().toStdString(), "登录中");
    ASSERT_TRUE(answerer.wait_for_message());
    EXPECT_EQ(answerer.seen()[0].title, "登录");
    EXPECT_EQ(answerer.seen()[0].text, c.message);
    ASSERT_TRUE(wait_for([&] { return button->isEnabled(); }));
    EXPECT_EQ(button->text().toStdString(), "登录");
  }
  EXPECT_EQ(main_window(), nullptr);

  MessageAnswerer none;
  window->findChild<QLineEdit*>("编辑框_账号")->setText(QString::fromStdString(account));
  window->findChild<QLineEdit*>("编辑框_密码")->setText("right123");
  button->click();
  ASSERT_NE(wait_for_main_window(), nullptr);
  EXPECT_TRUE(none.seen().empty()) << "a successful log-in shows no message";
  EXPECT_EQ(main_window()->findChild<QLineEdit*>("编辑框_账号")->text().toStdString(), "用户：" + account);
}

TEST_F(StartUpTest, RememberedAndForgottenLogIns) {
  std::string account;
  new_user("remember", &account, "pass1234");
  auto log_in = [&](bool remember) {
    EXPECT_TRUE(wait_for([&] { return login_window() != nullptr; }));
    auto* w = login_window();
    w->findChild<QLineEdit*>("编辑框_账号")->setText(QString::fromStdString(account));
    w->findChild<QLineEdit*>("编辑框_密码")->setText("pass1234");
    w->findChild<QCheckBox*>("选择框_记住密码")->setChecked(remember);
    w->findChild<QPushButton*>("按钮_登录")->click();
    return wait_for_main_window() != nullptr;
  };

  start();
  ASSERT_TRUE(log_in(true));
  EXPECT_EQ(shell::config_read("配置"_t, "记住密码"_t), "真"_t);
  EXPECT_EQ(shell::unscramble_text(shell::config_read("配置"_t, "密码"_t)), "pass1234");
  // The next start resumes the log-in without LoginWindow.
  app_.reset();
  start();
  ASSERT_NE(wait_for_main_window(), nullptr);
  EXPECT_EQ(login_window(), nullptr);

  // Log out, then log in without the box: the next start asks again, account filled in.
  main_window()->findChild<QPushButton*>("按钮_退出登录")->click();
  ASSERT_TRUE(log_in(false));
  EXPECT_EQ(shell::config_read("配置"_t, "ck", "absent"), "absent");
  EXPECT_EQ(shell::config_read("配置"_t, "密码"_t, "absent"), "");
  app_.reset();
  start();
  ASSERT_TRUE(wait_for([&] { return login_window() != nullptr; }));
  auto* w = login_window();
  EXPECT_EQ(w->findChild<QLineEdit*>("编辑框_账号")->text().toStdString(), account);
  EXPECT_EQ(w->findChild<QLineEdit*>("编辑框_密码")->text().toStdString(), "");
  EXPECT_FALSE(w->findChild<QCheckBox*>("选择框_记住密码")->isChecked());
}

TEST_F(StartUpTest, SavedCookieOfflineAndExpired) {
  std::string account;
  std::string cookie = new_user("saved", &account);
  save_login(account, cookie);
  const Text stored = shell::config_read("配置"_t, "ck");

  // Offline: LoginWindow with a message, and the saved log-in stays.
  net::set_endpoints("http://127.0.0.1:1", share_url());
  {
    MessageAnswerer answerer;
    start();
    ASSERT_TRUE(answerer.wait_for_message());
    EXPECT_EQ(answerer.seen()[0].text, "无法连接服务器，请检查网络后重试。");
    EXPECT_NE(login_window(), nullptr);
    EXPECT_EQ(shell::config_read("配置"_t, "ck"), stored);
  }
  app_.reset();

  // Expired: LoginWindow, no message, and the saved cookie is cleared.
  net::set_endpoints(disk_url(), share_url());
  server().expire_sessions(account);
  MessageAnswerer answerer;
  start();
  ASSERT_TRUE(wait_for([&] { return login_window() != nullptr; }));
  QTest::qWait(100);
  EXPECT_TRUE(answerer.seen().empty());
  EXPECT_EQ(shell::config_read("配置"_t, "ck", "absent"), "");
}

class BrowsingTest : public DesktopTest {
 protected:
  ui::MainWindow* start_logged_in(std::string* account_out = nullptr) {
    std::string account;
    std::string cookie = new_user("browse", &account);
    if (account_out) *account_out = account;
    save_login(account, cookie);
    start();
    return wait_for_main_window();
  }
  void double_click(ui::MainWindow* w, const std::string& title) {
    QListWidget* list = w->disk_list();
    for (int i = 0; i < list->count(); ++i) {
      if (list->item(i)->text().toStdString() != title) continue;
      list->setCurrentRow(i);
      emit list->itemDoubleClicked(list->item(i));
      return;
    }
    ADD_FAILURE() << "no row " << title;
  }
  std::vector<std::string> path(ui::MainWindow* w) {
    std::vector<std::string> captions;
    for (int i = 0; i < w->disk_browser()->path_button_count(); ++i)
      captions.push_back(w->disk_browser()->path_button_caption(i).toStdString());
    return captions;
  }
  bool idle(ui::MainWindow* w) {
    return wait_for([&] { return !w->disk_browser()->listing(); });
  }
};

TEST_F(BrowsingTest, DownAndBackWithThePathBar) {
  std::string account;
  std::string cookie = new_user("path", &account);
  auto a = server().create_folder(account, "A");
  auto b = server().create_folder(account, "B", a.id);
  server().create_file(account, "in-b.txt", "x", b.id);
  server().create_file(account, "root.zip", "x");
  save_login(account, cookie);
  start();
  ui::MainWindow* w = wait_for_main_window();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(row_titles(w->disk_list()), (std::vector<std::string>{"A", "root.zip"}));
  EXPECT_EQ(path(w), (std::vector<std::string>{"根目录"}));

  double_click(w, "root.zip");  // a file: nothing happens
  ASSERT_TRUE(idle(w));
  double_click(w, "A");
  ASSERT_TRUE(idle(w));
  double_click(w, "B");
  ASSERT_TRUE(idle(w));
  EXPECT_EQ(path(w), (std::vector<std::string>{"根目录", "A", "B"}));
  EXPECT_EQ(row_titles(w->disk_list()), (std::vector<std::string>{"in-b.txt"}));
  EXPECT_EQ(w->disk_browser()->current_folder_id(), std::to_string(b.id));

  QToolBar* bar = w->findChild<QToolBar*>("工具条_文件路径");
  server().clear_request_log();
  ASSERT_EQ(bar->actions().size(), 3);
  bar->actions()[2]->trigger();  // the last button refreshes
  ASSERT_TRUE(idle(w));
  EXPECT_EQ(path(w), (std::vector<std::string>{"根目录", "A", "B"}));
  EXPECT_EQ(server().request_log().front().target,
            "/mydisk.php?item=files&action=index&folder_node=0&folder_id=" + std::to_string(b.id));

  bar->actions()[1]->trigger();
  ASSERT_TRUE(idle(w));
  EXPECT_EQ(path(w), (std::vector<std::string>{"根目录", "A"}));
  EXPECT_EQ(row_titles(w->disk_list()), (std::vector<std::string>{"B"}));
  bar->actions()[0]->trigger();
  ASSERT_TRUE(idle(w));
  EXPECT_EQ(path(w), (std::vector<std::string>{"根目录"}));
  EXPECT_EQ(w->disk_browser()->current_folder_id(), "-1");
}

TEST_F(BrowsingTest, AnExpiredSessionReturnsToLoginWindow) {
  std::string account;
  ui::MainWindow* w = start_logged_in(&account);
  ASSERT_NE(w, nullptr);
  server().expire_sessions(account);
  MessageAnswerer answerer;
  w->disk_browser()->refresh();
  ASSERT_TRUE(answerer.wait_for_message());
  EXPECT_EQ(answerer.seen()[0].text, "登录已过期，请重新登录。");
  ASSERT_TRUE(wait_for([&] { return login_window() && !main_window(); }));
  EXPECT_EQ(shell::config_read("配置"_t, "ck"), "");
}

TEST_F(BrowsingTest, CloseBoxHidesAndTheTrayBringsItBack) {
  ui::MainWindow* w = start_logged_in();
  ASSERT_NE(w, nullptr);
  QRect before = w->geometry();
  w->close();
  EXPECT_FALSE(w->isVisible());
  EXPECT_FALSE(finished_);
  ASSERT_NE(w->tray_icon(), nullptr);
  emit w->tray_icon()->activated(QSystemTrayIcon::Trigger);
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(w->geometry().topLeft(), before.topLeft());

  // The tray menu's "退出云盘" ends the program after the exit save.
  w->tray_menu()->findChild<QAction*>("退出云盘")->trigger();
  EXPECT_TRUE(wait_for([&] { return finished_; }));
  EXPECT_FALSE(shell::config_read("配置"_t, "窗口位置"_t).empty());
}

TEST_F(BrowsingTest, WithoutATrayTheCloseBoxEndsTheProgram) {
  ui::MainWindow::tray_available = [] { return false; };
  ui::MainWindow* w = start_logged_in();
  ASSERT_NE(w, nullptr);
  w->close();
  EXPECT_TRUE(wait_for([&] { return finished_; }));
  EXPECT_FALSE(shell::config_read("下载设置"_t, "选择框_启动断点续载"_t).empty()) << "the exit save ran";
}

TEST_F(BrowsingTest, LogOut) {
  std::string account;
  ui::MainWindow* w = start_logged_in(&account);
  ASSERT_NE(w, nullptr);
  server().clear_request_log();
  w->findChild<QPushButton*>("按钮_退出登录")->click();
  ASSERT_TRUE(wait_for([&] { return login_window() && login_window()->isVisible() && !main_window(); }));
  EXPECT_EQ(shell::config_read("配置"_t, "ck"), "");
  ASSERT_TRUE(wait_for([&] { return !server().request_log().empty(); }));
  auto logout = server().request_log().front();
  EXPECT_EQ(logout.target, "/account.php?action=logout&" + account);
  EXPECT_FALSE(logout.header("Cookie").has_value());
  EXPECT_FALSE(shell::config_read("配置"_t, "窗口位置"_t).empty()) << "destroying MainWindow saved it";
}

TEST_F(BrowsingTest, SettingsSavedAndRestored) {
  ui::MainWindow* w = start_logged_in();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->fixed_folder_box()->text().toStdString(), util::gbk_to_utf8(run_dir_.text()) + "download/");
  // Ticking the fixed-folder box with an empty box fills it, creates the folder and saves all five values.
  w->fixed_folder_box()->clear();
  w->findChild<QCheckBox*>("选择框_固定下载储存位置")->click();
  EXPECT_EQ(w->fixed_folder_box()->text().toStdString(), util::gbk_to_utf8(run_dir_.text()) + "download/");
  EXPECT_TRUE(util::is_folder(run_dir_.text() + "download/"));
  EXPECT_EQ(shell::config_read("下载设置"_t, "选择框_固定下载储存位置"_t), "真"_t);
  EXPECT_EQ(shell::config_read("下载设置"_t, "选择框_智能处理ke扩展名"_t), "假"_t);
  EXPECT_FALSE(shell::config_read("配置"_t, "窗口位置"_t).empty());

  // A chosen folder is kept by the next save; a folder that does not exist is refused.
  TempDir chosen;
  w->folder_picker = [&] { return QString::fromStdString(chosen.path().string()); };
  w->findChild<QPushButton*>("按钮_选择固定下载储存位置")->click();
  EXPECT_EQ(w->fixed_folder_box()->text().toStdString(), chosen.path().string() + "/");
  {
    MessageAnswerer answerer;
    w->folder_picker = [] { return QString("/nonexistent/quarrow"); };
    w->findChild<QPushButton*>("按钮_选择固定下载储存位置")->click();
    ASSERT_TRUE(answerer.wait_for_message());
    EXPECT_EQ(answerer.seen()[0].text, "该位置不能进行保存\r\n/nonexistent/quarrow/");
    EXPECT_EQ(w->fixed_folder_box()->text().toStdString(), chosen.path().string() + "/");
  }
  w->findChild<QCheckBox*>("选择框_启动断点续载")->click();
  EXPECT_EQ(shell::config_read("下载设置"_t, "编辑框_固定下载储存位置"_t), chosen.path().string() + "/");

  // The next start restores them, and a maximised position maximises.
  shell::config_write("配置"_t, "窗口位置"_t, "10,20,700,500,3");
  app_.reset();
  start();
  w = wait_for_main_window();
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->findChild<QCheckBox*>("选择框_启动断点续载")->isChecked());
  EXPECT_TRUE(w->findChild<QCheckBox*>("选择框_固定下载储存位置")->isChecked());
  EXPECT_FALSE(w->findChild<QCheckBox*>("选择框_智能处理ke扩展名")->isChecked());
  EXPECT_EQ(w->fixed_folder_box()->text().toStdString(), chosen.path().string() + "/");
  EXPECT_TRUE(wait_for([&] { return w->isMaximized(); }));

  // Three fields: nothing applied; five: moved there.
  shell::config_write("配置"_t, "窗口位置"_t, "10,20,700");
  app_.reset();
  start();
  w = wait_for_main_window();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->pos(), QPoint(50, 50)) << "where it was created";
  shell::config_write("配置"_t, "窗口位置"_t, "30,40,500,400,1");
  app_.reset();
  start();
  w = wait_for_main_window();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->geometry(), QRect(30, 40, 500, 400));
}

TEST_F(BrowsingTest, StoredWindowPositions) {
  ui::MainWindow* w = start_logged_in();
  ASSERT_NE(w, nullptr);
  const QRect placed(30, 40, 500, 400);
  struct Case {
    const char* stored;
    QRect expected;  // null: left where it was
  };
  const Case cases[] = {
      {"30,40,500,400,1", placed},
      {"30, 40, 500, 400, 1", placed},  // edited by hand: each field still reads as its integer
      {"30px,40,500,400,0", placed},
      {"30,40,500,400,2", placed},      // only 3 maximises
      {"10,20,700", QRect()},
      {"10,20,700,500,1,9", QRect()},
      {"", QRect()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    w->setGeometry(60, 70, 600, 420);
    shell::config_write("配置"_t, "窗口位置"_t, c.stored);
    w->restore_settings();
    EXPECT_EQ(w->geometry(), c.expected.isNull() ? QRect(60, 70, 600, 420) : c.expected);
    EXPECT_FALSE(w->isMaximized());
  }
  shell::config_write("配置"_t, "窗口位置"_t, "10, 20, 700, 500, 3");
  w->restore_settings();
  EXPECT_TRUE(wait_for([&] { return w->isMaximized(); }));
}

TEST_F(BrowsingTest, LayoutRuleAndCaptions) {
  ui::MainWindow* w = start_logged_in();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->windowTitle().toStdString(), "Quarrow盘 v2.3");
  w->resize(400, 300);
  QTreeWidget* list = w->download_list();
  EXPECT_EQ(list->columnWidth(0), 80);
  EXPECT_EQ(list->columnWidth(1), 98);
  EXPECT_EQ(list->columnWidth(4), 0);
  EXPECT_EQ(w->findChild<QPushButton*>("按钮_退出登录")->x(), 300);
  EXPECT_EQ(w->status_bar()->part_width(1), 50);
  auto* tabs = w->findChild<QTabWidget*>("选择夹_网盘");
  EXPECT_EQ(tabs->tabText(1).toStdString(), "下载列表0");
  EXPECT_EQ(tabs->tabText(2).toStdString(), "下载完成0");
  EXPECT_EQ(w->status_bar()->part_text(0).toStdString(), "没有任务");
  EXPECT_EQ(w->status_bar()->part_tooltip(2).toStdString(), "0/0");

  std::vector<std::string> items;
  for (QAction* a : w->disk_menu()->actions()) items.push_back(a->isSeparator() ? "-" : a->text().toStdString());
  EXPECT_EQ(items, (std::vector<std::string>{"新建文件夹", "删除文件夹", "-", "修改文件备注", "设置文件密码", "上传文件",
                                             "下载文件", "-", "删除文件", "-", "分享文件"}));

  w->findChild<QPushButton*>("按钮_个人中心")->click();
  w->findChild<QPushButton*>("按钮_回收站")->click();
  EXPECT_EQ(opened_, (std::vector<std::string>{disk_url() + "/mydisk.php?item=profile&action=mypower",
                                               disk_url() + "/mydisk.php?item=recycle&action=files"}));
}

}  // namespace
}  // namespace quarrow::testing
