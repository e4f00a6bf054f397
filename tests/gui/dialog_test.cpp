#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "desktop_fixture.h"
#include "disk/disk_ops.h"
#include "ui/balloon_tip.h"
#include "ui/share_link_dialog.h"

namespace quarrow::testing {
namespace {

class DialogTest : public DesktopTest {
 protected:
  void SetUp() override {
    DesktopTest::SetUp();
    std::string cookie = new_user("dialog", &account_);
    save_login(account_, cookie);
  }
  ui::MainWindow* open_main() {
    start();
    return wait_for_main_window();
  }
  // A right click on the rows with these titles (the first one clicked), then the menu item.
  void menu_command(ui::MainWindow* w, const char* item, const std::vector<std::string>& titles) {
    QListWidget* list = w->disk_list();
    list->clearSelection();
    int first = -1;
    for (int i = 0; i < list->count(); ++i) {
      if (std::find(titles.begin(), titles.end(), list->item(i)->text().toStdString()) == titles.end()) continue;
      list->item(i)->setSelected(true);
      if (first < 0) first = i;
    }
    if (first >= 0) list->setCurrentRow(first, QItemSelectionModel::NoUpdate);
    emit list->customContextMenuRequested(QPoint(5, 5));
    w->disk_menu()->hide();
    QAction* action = w->disk_menu()->findChild<QAction*>(QString::fromUtf8(item));
    ASSERT_NE(action, nullptr);
    ASSERT_TRUE(action->isEnabled());
    action->trigger();
  }
  template <typename T = QDialog>
  T* wait_dialog(const char* name) {
    T* found = nullptr;
    wait_for([&] { return (found = find_widget<T>(name)) != nullptr && found->isVisible(); });
    return found;
  }
  static bool gone(const char* name) {
    return wait_for([&] { return find_widget<QDialog>(name) == nullptr; });
  }
  static std::string balloon_text(ui::MainWindow* w) {
    auto* balloon = w->findChild<ui::BalloonTip*>("气球提示框1");
    return balloon && balloon->isVisible() ? balloon->text().toStdString() : std::string();
  }
  bool idle(ui::MainWindow* w) { return wait_for([&] { return !w->disk_browser()->listing(); }); }

  std::string account_;
};

TEST_F(DialogTest, NewFolderSavedAndRefused) {
  ui::MainWindow* w = open_main();
  ASSERT_NE(w, nullptr);
  menu_command(w, "新建文件夹", {});
  QDialog* d = wait_dialog("NewFolderDialog");
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->windowTitle().toStdString(), "新建文件夹");
  EXPECT_EQ(d->findChild<QLineEdit*>("编辑框_文件夹名称")->text().toStdString(), "新建文件夹");
  EXPECT_TRUE(d->isModal());
  EXPECT_EQ(d->parentWidget(), w);

  // Refused: the service's message, and the dialog stays with the input.
  d->findChild<QLineEdit*>("编辑框_文件夹名称")->setText("   ");
  {
    MessageAnswerer answerer;
    d->findChild<QPushButton*>("按钮_保存")->click();
    ASSERT_TRUE(answerer.wait_for_message());
    EXPECT_EQ(answerer.seen()[0].text, "文件夹名称不能为空");
  }
  EXPECT_TRUE(d->isVisible());
  EXPECT_EQ(d->findChild<QLineEdit*>("编辑框_文件夹名称")->text().toStdString(), "   ");

  d->findChild<QLineEdit*>("编辑框_文件夹名称")->setText(QString::fromUtf8("新建文件夹"));
  d->findChild<QPushButton*>("按钮_保存")->click();
  ASSERT_TRUE(gone("NewFolderDialog"));
  EXPECT_EQ(balloon_text(w), "创建成功");
  ASSERT_TRUE(wait_for([&] { return !row_titles(w->disk_list()).empty(); }));
  ASSERT_TRUE(idle(w));
  EXPECT_EQ(row_titles(w->disk_list()), (std::vector<std::string>{"新建文件夹"}));
  auto folders = server().folders();
  auto mine = std::find_if(folders.begin(), folders.end(), [&](auto& f) { return f.owner == account_; });
  ASSERT_NE(mine, folders.end());
  EXPECT_EQ(mine->des, "");
}

TEST_F(DialogTest, DescriptionsWithLineBreaksAndQuotesRoundTrip) {
  const std::string des = "第一行 \"引号\"\r\n第二行 a\\b";
  auto folder = server().create_folder(account_, "带说明", -1, des);
  auto file = server().create_file(account_, "说明.txt", "x");
  test::Changes changes;
  changes.des = des;
  server().update_file(file.id, changes);
  ui::MainWindow* w = open_main();
  ASSERT_NE(w, nullptr);

  menu_command(w, "修改文件备注", {"带说明"});
  QDialog* d = wait_dialog("EditFolderDialog");
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->findChild<QLineEdit*>("编辑框_文件夹名称")->text().toStdString(), "带说明");
  EXPECT_EQ(d->findChild<QPlainTextEdit*>("编辑框_文件夹备注")->toPlainText().toStdString(),
            "第一行 \"引号\"\n第二行 a\\b");
  d->findChild<QPushButton*>("按钮_保存")->click();
  ASSERT_TRUE(gone("EditFolderDialog"));
  EXPECT_EQ(server().folder(folder.id)->des, des);
  EXPECT_EQ(server().folder(folder.id)->name, "带说明");
  ASSERT_TRUE(idle(w));

  menu_command(w, "修改文件备注", {"说明.txt"});
  d = wait_dialog("EditFileDialog");
  ASSERT_NE(d, nullptr);
  auto* name_box = d->findChild<QLineEdit*>("编辑框_文件名称");
  EXPECT_EQ(name_box->text().toStdString(), "说明.txt");
  EXPECT_TRUE(name_box->isReadOnly());
  d->findChild<QPushButton*>("按钮_保存")->click();
  ASSERT_TRUE(gone("EditFileDialog"));
  EXPECT_EQ(server().file(file.id)->des, des);
}

TEST_F(DialogTest, EditRefusedAndUnreachableKeepTheDialogOpen) {
  auto file = server().create_file(account_, "gone.txt", "x");
  ui::MainWindow* w = open_main();
  ASSERT_NE(w, nullptr);
  menu_command(w, "修改文件备注", {"gone.txt"});
  QDialog* d = wait_dialog("EditFileDialog");
  ASSERT_NE(d, nullptr);
  d->findChild<QPlainTextEdit*>("编辑框_文件备注")->setPlainText("typed");

  disk::delete_file(std::to_string(file.id));  // gone while the dialog is open
  {
    MessageAnswerer answerer;
    d->findChild<QPushButton*>("按钮_保存")->click();
    ASSERT_TRUE(answerer.wait_for_message());
    EXPECT_EQ(answerer.seen()[0].text, "文件不存在");
  }
  EXPECT_TRUE(d->isVisible());

  net::set_endpoints("http://127.0.0.1:1", share_url());
  MessageAnswerer answerer;
  d->findChild<QPushButton*>("按钮_保存")->click();
  ASSERT_TRUE(answerer.wait_for_message());
  EXPECT_EQ(answerer.seen()[0].text, "无法连接服务器，请检查网络后重试。");
  EXPECT_TRUE(d->isVisible());
  EXPECT_EQ(d->findChild<QPlainTextEdit*>("编辑框_文件备注")->toPlainText().toStdString(), "typed");
}

TEST_F(DialogTest, PasswordDialogsSwitchLayoutShareTextAndSave) {
  auto folder = server().create_folder(account_, "分享");
  auto file = server().create_file(account_, "f.zip", "x");
  server().set_file_password(file.id, true, "abc");
  ui::MainWindow* w = open_main();
  ASSERT_NE(w, nullptr);

  // A folder whose switch is off: the short layout, the password box hidden.
  menu_command(w, "设置文件密码", {"分享"});
  QDialog* d = wait_dialog("FolderPasswordDialog");
  ASSERT_NE(d, nullptr);
  auto* box = d->findChild<QCheckBox*>("选择框_文件夹密码开关");
  auto* password = d->findChild<QLineEdit*>("编辑框_文件夹密码");
  auto* save = d->findChild<QPushButton*>("按钮_保存");
  auto* share = d->findChild<QPlainTextEdit*>("编辑框_文件夹外链");
  EXPECT_FALSE(box->isChecked());
  EXPECT_EQ(d->height(), 116);
  EXPECT_EQ(save->y(), 40);
  EXPECT_TRUE(password->isHidden());
  box->click();
  EXPECT_EQ(d->height(), 300);
  EXPECT_EQ(save->y(), 224);
  EXPECT_FALSE(password->isHidden());
  const std::string url = share_url() + "/" + folder.key;
  password->setText("x");
  EXPECT_EQ(share->toPlainText().toStdString(), "外链:" + url + "\n密码:x");
  password->setText("new1");
  EXPECT_EQ(share->toPlainText().toStdString(), "外链:" + url + "\n密码:new1");

  // Too long: refused, the dialog stays.
  password->setText("0123456789abc");
  {
    MessageAnswerer answerer;
    save->click();
    ASSERT_TRUE(answerer.wait_for_message());
    EXPECT_EQ(answerer.seen()[0].text, "密码长度在0到12位之间");
  }
  EXPECT_TRUE(d->isVisible());
  password->setText("new1");
  server().clear_request_log();
  save->click();
  ASSERT_TRUE(gone("FolderPasswordDialog"));
  EXPECT_EQ(balloon_text(w), "设置成功");
  EXPECT_TRUE(server().folder(folder.id)->onof);
  EXPECT_EQ(server().folder(folder.id)->pwd, "new1");
  QTest::qWait(100);
  for (const auto& r : server().request_log())
    EXPECT_EQ(r.body.find("task=5&"), std::string::npos) << "a password save does not refresh the list";

  // A file whose switch is on: unticking hides the box, and "0" goes out with its text.
  menu_command(w, "设置文件密码", {"f.zip"});
  d = wait_dialog("FilePasswordDialog");
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->height(), 300);
  EXPECT_EQ(d->findChild<QLineEdit*>("编辑框_文件密码")->text().toStdString(), "abc");
  EXPECT_EQ(d->findChild<QPlainTextEdit*>("编辑框_文件外链")->toPlainText().toStdString(),
            "外链:" + share_url() + "/" + file.key + "\n密码:abc");
  d->findChild<QCheckBox*>("选择框_文件密码开关")->click();
  EXPECT_EQ(d->height(), 116);
  server().clear_request_log();
  d->findChild<QPushButton*>("按钮_保存")->click();
  ASSERT_TRUE(gone("FilePasswordDialog"));
  EXPECT_EQ(server().request_log().back().body, "task=23&file_id=" + std::to_string(file.id) + "&shows=0&shownames=abc");
  EXPECT_FALSE(server().file(file.id)->onof);
}

TEST_F(DialogTest, ShareTexts) {
  EXPECT_EQ(ui::file_share_text("http://s/iab", false, "pw"), "http://s/iab");
  EXPECT_EQ(ui::file_share_text("http://s/iab", true, "pw"), "http://s/iab\r\n密码:pw"_t);
  EXPECT_EQ(ui::folder_share_text("http://s/b1", false, "pw"), "http://s/b1");
  EXPECT_EQ(ui::folder_share_text("http://s/b1", true, "pw"), "外链:http://s/b1\r\n密码:pw"_t);

  auto folder = server().create_folder(account_, "共享");
  server().set_folder_password(folder.id, true, "8888");
  auto file = server().create_file(account_, "open.txt", "x");
  ui::MainWindow* w = open_main();
  ASSERT_NE(w, nullptr);
  menu_command(w, "分享文件", {"共享"});
  QDialog* d = wait_dialog("ShareLinkDialog");
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->findChild<QLabel*>("标签1")->text().toStdString(), "文件夹外链");
  EXPECT_EQ(d->findChild<QPlainTextEdit*>("编辑框_文件夹外链")->toPlainText().toStdString(),
            "外链:" + share_url() + "/" + folder.key + "\n密码:8888");
  d->close();
  ASSERT_TRUE(gone("ShareLinkDialog"));
  menu_command(w, "分享文件", {"open.txt"});
  d = wait_dialog("ShareLinkDialog");
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->findChild<QLabel*>("标签1")->text().toStdString(), "文件外链");
  EXPECT_EQ(d->findChild<QPlainTextEdit*>("编辑框_文件夹外链")->toPlainText().toStdString(),
            share_url() + "/" + file.key);
}

TEST_F(DialogTest, DeletingAMixedSelection) {
  auto folder = server().create_folder(account_, "旧目录");
  auto a = server().create_file(account_, "a.txt", "x");
  auto b = server().create_file(account_, "b.txt", "x");
  server().create_file(account_, "keep.txt", "x");
  ui::MainWindow* w = open_main();
  ASSERT_NE(w, nullptr);
  server().clear_request_log();
  MessageAnswerer answerer(QMessageBox::Yes);
  menu_command(w, "删除文件", {"旧目录", "a.txt", "b.txt"});
  ASSERT_TRUE(answerer.wait_for_message());
  EXPECT_EQ(answerer.seen()[0].title, "提示");
  EXPECT_EQ(answerer.seen()[0].text, "是否删除被选中的此3个文件？");
  ASSERT_TRUE(wait_for([&] { return row_titles(w->disk_list()) == std::vector<std::string>{"keep.txt"}; }));
  ASSERT_TRUE(idle(w));

  std::vector<std::string> tasks;
  int folder_pages = 0;
  for (const auto& r : server().request_log()) {
    if (r.body.rfind("task=3&", 0) == 0 || r.body.rfind("task=6&", 0) == 0) tasks.push_back(r.body);
    if (r.target.rfind("/mydisk.php?item=files", 0) == 0) ++folder_pages;
  }
  EXPECT_EQ(tasks, (std::vector<std::string>{"task=3&folder_id=" + std::to_string(folder.id),
                                             "task=6&file_id=" + std::to_string(a.id),
                                             "task=6&file_id=" + std::to_string(b.id)}));
  EXPECT_EQ(folder_pages, 1) << "one refresh";
  EXPECT_EQ(balloon_text(w), "{\"zt\":1,\"info\":\"已删除\",\"text\":null}");
}

TEST_F(DialogTest, DeleteQuestionsAndNo) {
  server().create_folder(account_, "目录");
  server().create_file(account_, "one.txt", "x");
  ui::MainWindow* w = open_main();
  ASSERT_NE(w, nullptr);
  MessageAnswerer answerer(QMessageBox::No);
  menu_command(w, "删除文件", {"目录"});
  ASSERT_TRUE(answerer.wait_for_message());
  EXPECT_EQ(answerer.seen()[0].text, "是否删除该文件？");
  menu_command(w, "删除文件夹", {"目录"});
  ASSERT_TRUE(answerer.wait_for_message(2));
  EXPECT_EQ(answerer.seen()[1].text, "是否删除\"目录\"文件夹？");
  menu_command(w, "删除文件夹", {"one.txt"});  // a file row: nothing happens
  QTest::qWait(200);
  EXPECT_EQ(answerer.seen().size(), 2u);
  EXPECT_EQ(row_titles(w->disk_list()).size(), 2u);
}

TEST_F(DialogTest, DownloadListsPersistWithoutAnExit) {
  ui::MainWindow* w = open_main();
  ASSERT_NE(w, nullptr);
  QTreeWidget* list = w->download_list();
  for (int i = 1; i <= 3; ++i) {
    auto* item = new QTreeWidgetItem(list);
    item->setText(0, QString::number(i));
    item->setText(1, QString::fromUtf8("文件%1.zip").arg(i));
    item->setText(5, i == 2 ? "p|w\r\nx" : "");
  }
  // What a crash would leave: the configuration as it is now, without the exit save.
  ASSERT_TRUE(wait_for([&] { return !shell::config_read("超级列表框"_t, "超级列表框_下载列表"_t).empty(); }, 3000));
  const Text saved = shell::config_read("超级列表框"_t, "超级列表框_下载列表"_t);
  app_.reset();
  shell::config_write("超级列表框"_t, "超级列表框_下载列表"_t, saved);
  start();
  w = wait_for_main_window();
  ASSERT_NE(w, nullptr);
  ASSERT_EQ(w->download_list()->topLevelItemCount(), 3);
  EXPECT_EQ(w->download_list()->topLevelItem(1)->text(1).toStdString(), "文件2.zip");
  EXPECT_EQ(w->download_list()->topLevelItem(1)->text(5).toStdString(), "p|w\r\nx");
  EXPECT_EQ(w->findChild<QTabWidget*>("选择夹_网盘")->tabText(1).toStdString(), "下载列表3");
}

}  // namespace
}  // namespace quarrow::testing
