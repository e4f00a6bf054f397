#include <gtest/gtest.h>

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QUrl>

#include <chrono>
#include <filesystem>

#include "desktop_fixture.h"
#include "upload/upload_window.h"
#include "upload_support.h"

namespace quarrow::testing {
namespace {

using upload::UploadWindow;
using Clock = std::chrono::steady_clock;

class UploadWindowTest : public DesktopTest {
 protected:
  void TearDown() override {
    UploadWindow::pick_files = upload::pick_files_dialog;
    DesktopTest::TearDown();
  }

  ui::MainWindow* start_logged_in() {
    std::string cookie = new_user("upw", &account_);
    save_login(account_, cookie);
    start();
    return wait_for_main_window();
  }

  static QAction* upload_action(ui::MainWindow* w) {
    for (QAction* a : w->disk_menu()->actions())
      if (a->objectName() == QString::fromUtf8("上传文件")) return a;
    return nullptr;
  }

  UploadWindow* open_from_menu(ui::MainWindow* w) {
    upload_action(w)->trigger();
    return UploadWindow::current();
  }

  // MainWindow shows the folder, with its path button last, as a double click leaves it.
  static bool show_folder(ui::MainWindow* w, const test::FolderInfo& folder) {
    disk::DiskBrowser* browser = w->disk_browser();
    const Text id = std::to_string(folder.id);
    const QString name = QString::fromStdString(folder.name);
    browser->show_folder(id, [browser, name, id] { browser->append_path_button(name, id); });
    return wait_for([&] { return !browser->listing() && browser->current_folder_id() == id; });
  }

  Text file(const std::string& name, const std::string& content = "content") {
    write_file(files_ / name, content);
    return files_.text() + util::utf8_to_gbk_whole(name);
  }

  static std::vector<std::string> column(UploadWindow* w, int column) {
    std::vector<std::string> texts;
    for (int i = 0; i < w->upload_list()->topLevelItemCount(); ++i)
      texts.push_back(w->upload_list()->topLevelItem(i)->text(column).toStdString());
    return texts;
  }

  // Holds the next upload in the service for `ms` and waits until it has arrived there.
  void hold_next_upload(int ms, size_t uploads_before) {
    server().add_fault({"latency", std::to_string(ms), "disk", "/fileup.php", 1});
    pending_uploads_ = uploads_before + 1;
  }
  bool upload_arrived() {
    return wait_for([&] { return upload_requests(server()).size() >= pending_uploads_; });
  }

  std::string account_;
  TempDir files_;
  size_t pending_uploads_ = 0;
};

TEST_F(UploadWindowTest, WindowControlsAndTheSizeRule) {
  ui::MainWindow* main = start_logged_in();
  ASSERT_NE(main, nullptr);
  QAction* action = upload_action(main);
  ASSERT_NE(action, nullptr);
  EXPECT_TRUE(action->isEnabled());
  UploadWindow* w = open_from_menu(main);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(open_from_menu(main), w) << "one window at a time";
  EXPECT_EQ(w->windowTitle().toStdString(), "上传文件");
  EXPECT_EQ(w->parent(), nullptr);
  EXPECT_FALSE(w->isModal());
  EXPECT_EQ(w->findChild<QPushButton*>("按钮_添加文件")->geometry(), QRect(8, 16, 80, 32));
  EXPECT_EQ(w->findChild<QPushButton*>("按钮_开始上传")->geometry(), QRect(104, 16, 80, 32));
  EXPECT_EQ(w->findChild<QLabel*>("标签1")->text().toStdString(), "上传限制：单文件超出100MB、空文件、目录等无法添加上传");
  EXPECT_EQ(w->findChild<QTreeWidget*>("超级列表框_上传列表")->geometry(), QRect(8, 56, 592, 288));

  auto sized = [&](const std::string& name, uintmax_t size) {
    Text path = file(name, "");
    std::filesystem::resize_file(files_ / name, size);
    return path;
  };
  std::filesystem::create_directory(files_ / "目录");
  const Text chosen = sized("limit.iso", 104857600) + "\r\n" + sized("over.iso", 104857601) + "\r\n" +
                      sized("empty.txt", 0) + "\r\n" + files_.text() + "目录"_t + "\r\n" + files_.text() +
                      "missing.txt\r\n" + file("笔记.txt", "12345");
  std::vector<QString> titles;
  UploadWindow::pick_files = [&](QWidget* owner, const QString& title, const QString& filter) {
    EXPECT_EQ(owner, w);
    titles.push_back(title);
    EXPECT_EQ(filter.toStdString(), "所有文件(*.*)|*.*");
    return titles.size() == 1 ? chosen : Text();
  };
  MessageAnswerer answerer;
  w->add_button()->click();
  w->add_button()->click();  // cancelled: adds nothing
  EXPECT_EQ(titles.size(), 2u);
  EXPECT_EQ(titles[0].toStdString(), "添加文件");

  const std::string folder = util::gbk_to_utf8(files_.text());
  EXPECT_EQ(column(w, 0), (std::vector<std::string>{"1", "2"}));
  EXPECT_EQ(column(w, 1), (std::vector<std::string>{"limit.iso", "笔记.txt"}));
  EXPECT_EQ(column(w, 2), (std::vector<std::string>{"100 MB", "5 B"}));
  EXPECT_EQ(column(w, 3), (std::vector<std::string>{"等待上传", "等待上传"}));
  EXPECT_EQ(column(w, 4), (std::vector<std::string>{folder, folder}));
  EXPECT_EQ(column(w, 5), (std::vector<std::string>{"-1", "-1"}));
  QTest::qWait(100);
  EXPECT_TRUE(answerer.seen().empty()) << "refused files are left out silently";
}

TEST_F(UploadWindowTest, EachRowGoesToTheFolderItWasAddedFromInOneRun) {
  ui::MainWindow* main = start_logged_in();
  ASSERT_NE(main, nullptr);
  auto a = server().create_folder(account_, "甲"), b = server().create_folder(account_, "乙");
  ASSERT_TRUE(show_folder(main, a));
  UploadWindow* w = open_from_menu(main);
  w->add_upload_files(file("first.txt", "one") + "\r\n" + file("gone.txt") + "\r\n");
  EXPECT_EQ(column(w, 5), (std::vector<std::string>{std::to_string(a.id), std::to_string(a.id)}));

  hold_next_upload(1500, 0);
  w->start_button()->click();
  EXPECT_FALSE(w->start_button()->isEnabled());
  ASSERT_TRUE(upload_arrived());
  EXPECT_TRUE(wait_for([&] { return column(w, 3)[0] == "正在上传"; }));
  // While the first file is on its way: the user moves on, adds a file there,
  // and the second file of the queue disappears.
  ASSERT_TRUE(show_folder(main, b));
  w->add_upload_files(file("second.txt", "two"));
  std::filesystem::remove(files_ / "gone.txt");
  ASSERT_TRUE(w->running());

  ASSERT_TRUE(wait_for([&] { return w->start_button()->isEnabled(); }, 20000));
  EXPECT_EQ(column(w, 3), (std::vector<std::string>{"上传成功", "文件尺寸超出范围(-1)", "上传成功"}));
  auto uploads = upload_requests(server());
  ASSERT_EQ(uploads.size(), 2u);
  EXPECT_EQ(form_field(uploads[0].body, "name"), "first.txt");
  EXPECT_EQ(form_field(uploads[0].body, "folder_id"), std::to_string(a.id));
  EXPECT_EQ(form_field(uploads[1].body, "name"), "second.txt");
  EXPECT_EQ(form_field(uploads[1].body, "folder_id"), std::to_string(b.id));
  EXPECT_EQ(find_file(server(), account_, "first.txt")->folder, a.id);
  EXPECT_EQ(find_file(server(), account_, "second.txt")->folder, b.id);
  // The run ends by listing the folder shown again, which now holds the new file.
  EXPECT_TRUE(wait_for([&] {
    auto titles = row_titles(main->disk_list());
    return std::find(titles.begin(), titles.end(), "second.txt") != titles.end();
  }));
  EXPECT_EQ(main->disk_browser()->current_folder_id(), std::to_string(b.id));

  // A run without waiting rows: one idle pass and the refresh.
  server().clear_request_log();
  w->start_button()->click();
  ASSERT_TRUE(wait_for([&] { return w->start_button()->isEnabled() && !main->disk_browser()->listing(); }));
  EXPECT_TRUE(upload_requests(server()).empty());
  EXPECT_FALSE(server().request_log(test::Host::disk).empty()) << "the folder was listed again";
}

TEST_F(UploadWindowTest, TheCloseQuestion) {
  ui::MainWindow* main = start_logged_in();
  ASSERT_NE(main, nullptr);
  MessageAnswerer answerer(QMessageBox::No);

  QPointer<UploadWindow> w = open_from_menu(main);
  EXPECT_TRUE(w->close()) << "nothing running: no question";
  ASSERT_TRUE(wait_for([&] { return !w; }));
  EXPECT_TRUE(answerer.seen().empty());

  // "否": the window stays and the upload goes on.
  w = open_from_menu(main);
  w->add_upload_files(file("a.txt") + "\r\n" + file("b.txt"));
  hold_next_upload(1500, 0);
  w->start_button()->click();
  ASSERT_TRUE(upload_arrived());
  EXPECT_FALSE(w->close());
  ASSERT_EQ(answerer.seen().size(), 1u);
  EXPECT_EQ(answerer.seen()[0].title, "提示");
  EXPECT_EQ(answerer.seen()[0].text, "还有上传任务未完成，是否终止上传?");
  EXPECT_TRUE(w->isVisible());
  ASSERT_TRUE(wait_for([&] { return w->start_button()->isEnabled(); }, 20000));
  EXPECT_EQ(column(w, 3), (std::vector<std::string>{"上传成功", "上传成功"}));

  // "是": the request in flight ends, its row keeps "正在上传", the rest is not sent.
  w->add_upload_files(file("c.txt") + "\r\n" + file("d.txt"));
  hold_next_upload(5000, 2);
  w->start_button()->click();
  ASSERT_TRUE(upload_arrived());
  answerer.answer_with(QMessageBox::Yes);
  auto start = Clock::now();
  EXPECT_TRUE(w->close());
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(3));
  ASSERT_TRUE(w);  // deleted later
  EXPECT_EQ(column(w, 3), (std::vector<std::string>{"上传成功", "上传成功", "正在上传", "等待上传"}));
  EXPECT_EQ(answerer.seen().size(), 2u);
  ASSERT_TRUE(wait_for([&] { return !w; }));
  EXPECT_EQ(upload_requests(server()).size(), 3u);

  // Destroying the window ends its upload the same way, without a question.
  w = open_from_menu(main);
  EXPECT_EQ(w->upload_list()->topLevelItemCount(), 0) << "a new window starts empty";
  w->add_upload_files(file("e.txt") + "\r\n" + file("f.txt"));
  hold_next_upload(5000, 3);
  w->start_button()->click();
  ASSERT_TRUE(upload_arrived());
  start = Clock::now();
  delete w.data();
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(3));
  EXPECT_EQ(answerer.seen().size(), 2u);
  EXPECT_EQ(upload_requests(server()).size(), 4u);

  // The window goes with MainWindow (log-out, exit), its upload ended.
  w = open_from_menu(main);
  w->add_upload_files(file("g.txt"));
  hold_next_upload(5000, 4);
  w->start_button()->click();
  ASSERT_TRUE(upload_arrived());
  app_.reset();
  EXPECT_FALSE(w);
}

TEST_F(UploadWindowTest, FilesDroppedOnTheDiskListAndOnTheWindow) {
  ui::MainWindow* main = start_logged_in();
  ASSERT_NE(main, nullptr);
  auto folder = server().create_folder(account_, "投放");
  ASSERT_TRUE(show_folder(main, folder));
  auto drop = [](QWidget* target, const std::vector<QUrl>& urls) {
    QMimeData data;
    data.setUrls(QList<QUrl>(urls.begin(), urls.end()));
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
  };
  auto local = [&](const std::string& name) { return QUrl::fromLocalFile(QString::fromStdString((files_ / name).string())); };
  file("one.txt");
  file("two.zip");
  file("three.pdf");

  QWidget* viewport = main->disk_list()->viewport();
  EXPECT_FALSE(drop(viewport, {QUrl("http://example.com/x.txt")})) << "only local files";
  EXPECT_EQ(UploadWindow::current(), nullptr);
  EXPECT_TRUE(drop(viewport, {local("one.txt"), local("two.zip")}));
  UploadWindow* w = UploadWindow::current();
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->isVisible());
  EXPECT_TRUE(drop(viewport, {local("three.pdf")}));
  EXPECT_EQ(UploadWindow::current(), w);
  EXPECT_TRUE(drop(w, {local("one.txt"), QUrl("http://example.com/y.txt")}));

  EXPECT_EQ(column(w, 1), (std::vector<std::string>{"one.txt", "two.zip", "three.pdf", "one.txt"}));
  EXPECT_EQ(column(w, 5), std::vector<std::string>(4, std::to_string(folder.id)));
}

}  // namespace
}  // namespace quarrow::testing
