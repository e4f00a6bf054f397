#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>

#include <filesystem>
#include <functional>

#include "desktop_fixture.h"
#include "download/download_commands.h"
#include "download/download_state.h"
#include "download/partial_file.h"
#include "download/runner.h"
#include "file_hash.h"
#include "ui/balloon_tip.h"
#include "ui/settings.h"

namespace quarrow::testing {
namespace {

namespace fs = std::filesystem;

class DownloadUiTest : public DesktopTest {
 protected:
  void SetUp() override {
    DesktopTest::SetUp();
    std::string cookie = new_user("dl", &account_);
    save_login(account_, cookie);
    ui::settings().resume_enabled = 0;
    ui::settings().smart_ke_enabled = 0;
    ui::settings().fixed_dir_enabled = 0;
  }
  void TearDown() override {
    ui::settings().resume_enabled = 0;
    ui::settings().fixed_dir_enabled = 0;
    DesktopTest::TearDown();
  }
  ui::MainWindow* open_main() {
    start();
    return wait_for_main_window();
  }
  struct Shared {
    test::FileInfo file;
    std::string link;
    std::string bytes;
  };
  Shared share(const std::string& name, size_t size, const std::string& password = {}) {
    Shared s;
    s.file = server().create_generated_file(account_, name, size);
    if (!password.empty()) server().set_file_password(s.file.id, true, password);
    s.link = share_url() + "/" + s.file.key;
    s.bytes = test::generated_bytes(test::Pattern::dense, 0, size);
    return s;
  }
  void queue(ui::MainWindow* w, const Shared& s, const std::string& password = {}) {
    download::append_download_task(w, {"", s.file.name, "等待计算"_t, "等待下载"_t, s.link, password,
                                       save_dir_.text(), ""});
    w->set_tab_captions();
  }
  static QAction* action(QMenu* menu, const char* text) { return menu->findChild<QAction*>(QString::fromUtf8(text)); }
  // A right click on the list, which sets up its menu, then the item.
  static void command(ui::MainWindow* w, QTreeWidget* list, const char* text) {
    emit list->customContextMenuRequested(QPoint(2, 2));
    QMenu* menu = list == w->download_list() ? w->downloading_menu() : w->completed_menu();
    menu->hide();
    QAction* a = action(menu, text);
    ASSERT_TRUE(a->isEnabled()) << text;
    a->trigger();
  }
  static std::string cell(QTreeWidget* list, int row, int column) {
    QTreeWidgetItem* item = list->topLevelItem(row);
    return item ? item->text(column).toStdString() : std::string("<no row>");
  }
  static std::string status(ui::MainWindow* w, int part) { return w->status_bar()->part_text(part).toStdString(); }
  bool run_ended(ui::MainWindow*, int seconds = 30) {
    return wait_for([&] { return !download::download_run_active(); }, seconds * 1000);
  }
  std::vector<test::LoggedRequest> file_requests() {
    std::vector<test::LoggedRequest> out;
    for (const auto& r : server().request_log(test::Host::share))
      if (r.target.rfind("/dl/", 0) == 0) out.push_back(r);
    return out;
  }
  void select_rows(ui::MainWindow* w, const std::vector<std::string>& titles, const std::string& clicked) {
    QListWidget* list = w->disk_list();
    list->clearSelection();
    for (int i = 0; i < list->count(); ++i) {
      std::string t = list->item(i)->text().toStdString();
      if (std::find(titles.begin(), titles.end(), t) != titles.end()) list->item(i)->setSelected(true);
      if (t == clicked) list->setCurrentRow(i, QItemSelectionModel::NoUpdate);
    }
    emit list->customContextMenuRequested(QPoint(2, 2));
    w->disk_menu()->hide();
  }

  std::string account_;
  TempDir save_dir_;
};

TEST_F(DownloadUiTest, DiskFilesAreQueued) {
  auto locked = server().create_file(account_, "locked.zip", "abc");
  server().set_file_password(locked.id, true, "pw1");
  auto open = server().create_file(account_, "open.txt", "abc");
  server().set_file_password(open.id, true, "old");
  server().set_file_password(open.id, false, "old");  // switched off: the old password stays stored
  server().create_folder(account_, "folder");
  ui::MainWindow* w = open_main();
  ASSERT_NE(w, nullptr);
  ui::settings().fixed_dir_enabled = 1;
  w->fixed_folder_box()->setText(QString::fromStdString(save_dir_.path().string() + "/"));

  MessageAnswerer answerer;
  select_rows(w, {"folder", "locked.zip", "open.txt"}, "locked.zip");
  action(w->disk_menu(), "下载文件")->trigger();
  QTreeWidget* list = w->download_list();
  ASSERT_TRUE(wait_for([&] { return list->topLevelItemCount() == 2; }));
  QTest::qWait(200);
  EXPECT_TRUE(answerer.seen().empty()) << "the folder is skipped without a message";
  const std::string folder = save_dir_.path().string() + "/";
  EXPECT_EQ(cell(list, 0, 0), "1");
  EXPECT_EQ(cell(list, 0, 1), "locked.zip");
  EXPECT_EQ(cell(list, 0, 2), "等待计算");
  EXPECT_EQ(cell(list, 0, 3), "等待下载");
  EXPECT_EQ(cell(list, 0, 4), share_url() + "/" + locked.key);
  EXPECT_EQ(cell(list, 0, 5), "pw1");
  EXPECT_EQ(cell(list, 0, 6), folder);
  EXPECT_EQ(cell(list, 1, 1), "open.txt");
  EXPECT_EQ(cell(list, 1, 5), "") << "a switched-off password is not queued";
  EXPECT_EQ(w->findChild<QTabWidget*>("选择夹_网盘")->tabText(1).toStdString(), "下载列表2");

  // The same files again: their links are in the list already.
  action(w->disk_menu(), "下载文件")->trigger();
  QTest::qWait(500);
  EXPECT_EQ(list->topLevelItemCount(), 2);

  // A folder clicked: it cannot be downloaded.
  select_rows(w, {"folder"}, "folder");
  action(w->disk_menu(), "下载文件")->trigger();
  ASSERT_TRUE(answerer.wait_for_message());
  EXPECT_EQ(answerer.seen()[0].text, "不能直接下载文件夹");
}

TEST_F(DownloadUiTest, ARunToCompletion) {
  Shared a = share("a.bin", 100000), b = share("b.bin", 250000, "pw"), c = share("c.bin", 1);
  ui::MainWindow* w = open_main();
  ASSERT_NE(w, nullptr);
  queue(w, a);
  queue(w, b, "pw");
  queue(w, c);
  command(w, w->download_list(), "开始任务");
  EXPECT_FALSE(action(w->downloading_menu(), "开始任务")->isEnabled());
  ASSERT_TRUE(run_ended(w));
  QTreeWidget* completed = w->completed_list();
  ASSERT_EQ(completed->topLevelItemCount(), 3);
  EXPECT_EQ(w->download_list()->topLevelItemCount(), 0);
  // Numbered from the top, newest first.
  EXPECT_EQ(cell(completed, 0, 0), "1");
  EXPECT_EQ(cell(completed, 0, 1), "c.bin");
  EXPECT_EQ(cell(completed, 2, 0), "3");
  EXPECT_EQ(cell(completed, 2, 1), "a.bin");
  EXPECT_EQ(cell(completed, 1, 3), "100%");
  EXPECT_EQ(cell(completed, 1, 2), "244.14 KB");
  auto* tabs = w->findChild<QTabWidget*>("选择夹_网盘");
  EXPECT_EQ(tabs->tabText(1).toStdString(), "下载列表0");
  EXPECT_EQ(tabs->tabText(2).toStdString(), "下载完成3");
  EXPECT_EQ(status(w, 0), "下载完成");
  EXPECT_EQ(status(w, 1), "c.bin");
  EXPECT_TRUE(action(w->downloading_menu(), "开始任务")->isEnabled());
  EXPECT_FALSE(action(w->downloading_menu(), "停止任务")->isEnabled());
  for (const Shared* s : {&a, &b, &c}) EXPECT_EQ(file_sha256(save_dir_ / s->file.name), sha256_hex(s->bytes));
}

TEST_F(DownloadUiTest, StopAndResume) {
  for (bool resume : {true, false}) {
    SCOPED_TRACE(resume ? "resume on" : "resume off");
    Shared s = share(resume ? "big-resume.bin" : "big-fresh.bin", 3 << 20);
    ui::MainWindow* w = open_main();
    ASSERT_NE(w, nullptr);
    ui::settings().resume_enabled = resume ? 1 : 0;
    queue(w, s);
    server().add_fault({"rate", "1000000", "share", "/dl/", 1});
    server().clear_request_log();
    command(w, w->download_list(), "开始任务");
    fs::path path = save_dir_ / s.file.name;
    ASSERT_TRUE(wait_for([&] { return fs::exists(path) && fs::file_size(path) > 300000; }, 20000));
    MessageAnswerer refuse;
    w->download_list()->topLevelItem(0)->setSelected(true);
    command(w, w->download_list(), "删除任务");
    ASSERT_TRUE(refuse.wait_for_message());
    EXPECT_EQ(refuse.seen()[0].text, "正在下载任务中，请先停止！");

    command(w, w->download_list(), "停止任务");
    ASSERT_TRUE(run_ended(w));
    EXPECT_EQ(status(w, 0), "已停止");
    ASSERT_EQ(w->download_list()->topLevelItemCount(), 1);
    const uint64_t partial = fs::file_size(path);
    EXPECT_LT(partial, s.bytes.size());
    EXPECT_EQ(s.bytes.compare(0, partial, test::generated_bytes(test::Pattern::dense, 0, partial)), 0);

    server().clear_request_log();
    command(w, w->download_list(), "开始任务");
    ASSERT_TRUE(run_ended(w));
    auto requests = file_requests();
    ASSERT_EQ(requests.size(), 1u);
    if (resume) {
      EXPECT_EQ(requests[0].header("Range"), "bytes=" + std::to_string(partial) + "-");
    } else {
      EXPECT_FALSE(requests[0].header("Range").has_value());
    }
    EXPECT_EQ(file_sha256(path), sha256_hex(s.bytes));
    app_.reset();
  }
}

TEST_F(DownloadUiTest, AFailedResolutionIsReportedAndTheRunGoesOn) {
  Shared a = share("first.bin", 1000), c = share("third.bin", 2000);
  ui::MainWindow* w = open_main();
  ASSERT_NE(w, nullptr);
  queue(w, a);
  const std::string dead = share_url() + "/inowhere";
  download::append_download_task(w, {"", "dead.bin", "等待计算"_t, "等待下载"_t, dead, "pw9", save_dir_.text(), ""});
  queue(w, c);
  MessageAnswerer answerer;
  command(w, w->download_list(), "开始任务");
  ASSERT_TRUE(answerer.wait_for_message());
  EXPECT_EQ(answerer.seen()[0].title, "信息：");
  EXPECT_EQ(answerer.seen()[0].text.rfind("下载文件失败，下载地址已失效！\r\n链接:" + dead + "\r\n密码:pw9\r\n", 0), 0u)
      << answerer.seen()[0].text;
  ASSERT_TRUE(run_ended(w));
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "链接:" + dead + "\r\n密码:pw9");
  EXPECT_EQ(w->download_list()->topLevelItemCount(), 0);
  EXPECT_EQ(w->completed_list()->topLevelItemCount(), 2);
  EXPECT_EQ(file_sha256(save_dir_ / "third.bin"), sha256_hex(c.bytes));
}

TEST_F(DownloadUiTest, RowsAddedDuringARunAreDownloadedInIt) {
  Shared slow = share("slow.bin", 1 << 20), later = share("later.bin", 5000);
  ui::MainWindow* w = open_main();
  ASSERT_NE(w, nullptr);
  queue(w, slow);
  server().add_fault({"rate", "1000000", "share", "/dl/", 1});
  command(w, w->download_list(), "开始任务");
  ASSERT_TRUE(wait_for([&] { return fs::exists(save_dir_ / "slow.bin"); }));
  queue(w, later);
  ASSERT_TRUE(run_ended(w));
  EXPECT_EQ(w->completed_list()->topLevelItemCount(), 2);
  EXPECT_EQ(cell(w->completed_list(), 0, 1), "later.bin");
  EXPECT_EQ(file_sha256(save_dir_ / "later.bin"), sha256_hex(later.bytes));
  EXPECT_EQ(file_sha256(save_dir_ / "slow.bin"), sha256_hex(slow.bytes));
}

TEST_F(DownloadUiTest, CopyingLinks) {
  Shared s = share("copy.bin", 10, "pw");
  ui::MainWindow* w = open_main();
  ASSERT_NE(w, nullptr);
  queue(w, s, "pw");
  download::append_download_task(w, {"", "dead.bin", "", "", share_url() + "/inowhere", "", save_dir_.text(), ""});
  QTreeWidget* list = w->download_list();
  auto balloon = [&] { return w->findChild<ui::BalloonTip*>("气球提示框1")->text().toStdString(); };

  list->topLevelItem(0)->setSelected(true);
  command(w, list, "复制文件外链");
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), s.link + "密码:pw");
  EXPECT_EQ(balloon(), "复制外链成功");

  command(w, list, "复制文件直链");
  ASSERT_TRUE(wait_for([&] { return balloon() == "复制直链成功，请尽快使用!"; }));
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString().rfind(share_url() + "/dl/", 0), 0u);

  // A link that cannot be resolved leaves the clipboard as it was.
  QGuiApplication::clipboard()->setText("kept");
  list->clearSelection();
  list->topLevelItem(1)->setSelected(true);
  command(w, list, "复制文件直链");
  ASSERT_TRUE(wait_for([&] { return balloon().rfind("获取直链失败", 0) == 0; }));
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "kept");
}

// Answers the message boxes that appear while it lives with `answer`, but only
// once `until` holds; keeps their texts.
class HeldAnswerer {
 public:
  HeldAnswerer(QMessageBox::StandardButton answer, std::function<bool()> until)
      : answer_(answer), until_(std::move(until)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      for (QWidget* top : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(top);
        if (!box || !box->isVisible() || box->property("answered").toBool() || !until_()) continue;
        box->setProperty("answered", true);
        seen_.push_back(box->text().toStdString());
        QTimer::singleShot(0, box->button(answer_), &QAbstractButton::click);
      }
    });
    timer_.start(20);
  }
  const std::vector<std::string>& seen() const { return seen_; }

 private:
  QMessageBox::StandardButton answer_;
  std::function<bool()> until_;
  QTimer timer_;
  std::vector<std::string> seen_;
};

// While "删除文件" or "清空文件" waits for its answer, a run finishes a file and
// puts its row at the top: the commands still act on the rows they were given.
TEST_F(DownloadUiTest, CompletedRowCommandsKeepTheirRowsWhileARunAddsOne) {
  Shared first = share("first.bin", 100), second = share("second.bin", 1500000), third = share("third.bin", 1500000);
  ui::MainWindow* w = open_main();
  ASSERT_NE(w, nullptr);
  QTreeWidget* completed = w->completed_list();
  queue(w, first);
  command(w, w->download_list(), "开始任务");
  ASSERT_TRUE(run_ended(w));
  ASSERT_EQ(completed->topLevelItemCount(), 1);

  // "删除文件" of first.bin, answered No once second.bin has arrived above it.
  queue(w, second);
  server().add_fault({"rate", "1000000", "share", "/dl/", 1});
  command(w, w->download_list(), "开始任务");
  completed->topLevelItem(0)->setSelected(true);
  {
    HeldAnswerer no(QMessageBox::No, [&] { return completed->topLevelItemCount() == 2; });
    command(w, completed, "删除文件");
    ASSERT_EQ(no.seen().size(), 1u);
    EXPECT_EQ(no.seen()[0], "是否删除本地缓存文件？\r\n" + (save_dir_ / "first.bin").string());
  }
  ASSERT_TRUE(run_ended(w));
  ASSERT_EQ(completed->topLevelItemCount(), 1);
  EXPECT_EQ(cell(completed, 0, 1), "second.bin") << "the row that arrived meanwhile stays";
  EXPECT_EQ(cell(completed, 0, 3), "100%");
  EXPECT_TRUE(fs::exists(save_dir_ / "first.bin")) << "answered No";
  EXPECT_EQ(w->findChild<QTabWidget*>("选择夹_网盘")->tabText(2).toStdString(), "下载完成1");

  // "清空文件" answered Yes once third.bin has arrived: second.bin's row and
  // file go, third.bin's stay.
  queue(w, third);
  server().add_fault({"rate", "1000000", "share", "/dl/", 1});
  command(w, w->download_list(), "开始任务");
  {
    HeldAnswerer yes(QMessageBox::Yes, [&] { return completed->topLevelItemCount() == 2; });
    command(w, completed, "清空文件");
    ASSERT_EQ(yes.seen().size(), 1u);
  }
  ASSERT_TRUE(run_ended(w));
  ASSERT_EQ(completed->topLevelItemCount(), 1);
  EXPECT_EQ(cell(completed, 0, 1), "third.bin");
  EXPECT_EQ(cell(completed, 0, 3), "100%");
  EXPECT_FALSE(fs::exists(save_dir_ / "second.bin"));
  EXPECT_EQ(file_sha256(save_dir_ / "third.bin"), sha256_hex(third.bytes));
  EXPECT_EQ(w->findChild<QTabWidget*>("选择夹_网盘")->tabText(2).toStdString(), "下载完成1");
}

// "删除任务" offers to delete only the task's own partial file.
TEST_F(DownloadUiTest, DeletingATaskAsksOnlyAboutItsOwnPartialFile) {
  struct Case {
    const char* name;
    const char* record_link;  // nullptr: no record; "" : the task's own link
    QMessageBox::StandardButton answer;
    bool asked;
    bool file_stays;
  };
  const Case cases[] = {
      {"the user's own file of that name", nullptr, QMessageBox::Yes, false, true},
      {"another task's partial file", "http://elsewhere/iother", QMessageBox::Yes, false, true},
      {"its own partial file, Yes", "", QMessageBox::Yes, true, false},
      {"its own partial file, No", "", QMessageBox::No, true, true},
  };
  ui::MainWindow* w = open_main();
  ASSERT_NE(w, nullptr);
  QTreeWidget* list = w->download_list();
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string name = "task" + std::to_string(n++) + ".bin";
    const std::string link = share_url() + "/ikey" + std::to_string(n);
    const std::string bytes = "bytes already on the disk";
    const fs::path path = save_dir_ / name;
    write_file(path, bytes);
    const Text target = save_dir_.text() + name;
    if (c.record_link) {
      ASSERT_TRUE(download::write_record(target, {*c.record_link ? std::string(c.record_link) : link, 1000}));
    }
    download::append_download_task(w, {"", name, "1 KB", "12.5%", link, "", save_dir_.text(), ""});
    w->set_tab_captions();
    list->clearSelection();
    list->topLevelItem(0)->setSelected(true);

    MessageAnswerer answerer(c.answer);
    command(w, list, "删除任务");
    QTest::qWait(100);
    ASSERT_EQ(answerer.seen().size(), c.asked ? 1u : 0u);
    if (c.asked) {
      EXPECT_EQ(answerer.seen()[0].title, "删除提示");
      EXPECT_EQ(answerer.seen()[0].text, "是否删除本地缓存文件？\r\n" + path.string());
    }
    EXPECT_EQ(list->topLevelItemCount(), 0) << "the row goes either way";
    EXPECT_EQ(w->findChild<QTabWidget*>("选择夹_网盘")->tabText(1).toStdString(), "下载列表0");
    EXPECT_EQ(fs::exists(path), c.file_stays);
    if (c.file_stays) {
      EXPECT_EQ(file_sha256(path), sha256_hex(bytes));
    }
    EXPECT_EQ(download::read_record(target).has_value(), c.record_link != nullptr && c.file_stays)
        << "the record goes with its file";
  }
}

TEST_F(DownloadUiTest, CompletedRowsDeletedQueuedAgainAndCleared) {
  Shared s = share("done.bin", 100);
  ui::MainWindow* w = open_main();
  ASSERT_NE(w, nullptr);
  queue(w, s);
  command(w, w->download_list(), "开始任务");
  ASSERT_TRUE(run_ended(w));
  QTreeWidget* completed = w->completed_list();
  completed->topLevelItem(0)->setSelected(true);
  command(w, completed, "下载文件");
  ASSERT_EQ(w->download_list()->topLevelItemCount(), 1);
  EXPECT_EQ(cell(w->download_list(), 0, 3), "等待下载");
  EXPECT_EQ(cell(w->download_list(), 0, 4), s.link);

  MessageAnswerer answerer(QMessageBox::Yes);
  command(w, completed, "清空文件");
  ASSERT_TRUE(answerer.wait_for_message());
  EXPECT_EQ(answerer.seen()[0].text, "本地存在缓存文件，是否删除本地缓存文件？");
  EXPECT_EQ(completed->topLevelItemCount(), 0);
  EXPECT_FALSE(fs::exists(save_dir_ / "done.bin"));
  EXPECT_EQ(w->findChild<QTabWidget*>("选择夹_网盘")->tabText(2).toStdString(), "下载完成0");
}

}  // namespace
}  // namespace quarrow::testing

namespace quarrow::testing {
namespace {

TEST_F(DownloadUiTest, NewTaskFromTheMenuAndTheTray) {
  Shared s = share("pasted.bin", 300);
  ui::MainWindow* w = open_main();
  ASSERT_NE(w, nullptr);
  queue(w, share("already.bin", 10));
  QGuiApplication::clipboard()->setText(QString::fromStdString(s.link));
  command(w, w->download_list(), "新建任务");
  QWidget* window = nullptr;
  ASSERT_TRUE(wait_for([&] { return (window = find_widget<QWidget>("NewTaskWindow")) && window->isVisible(); }));
  window->findChild<QPushButton*>("按钮_解析")->click();
  auto* found = window->findChild<QTreeWidget*>("超级列表框1");
  ASSERT_TRUE(wait_for([&] { return found->topLevelItemCount() == 1 && found->isEnabled(); }));
  window->findChild<QPushButton*>("按钮_加入下载列表")->click();
  QTreeWidget* list = w->download_list();
  ASSERT_EQ(list->topLevelItemCount(), 2);
  EXPECT_EQ(cell(list, 1, 0), "2");
  EXPECT_EQ(cell(list, 1, 1), "pasted.bin");
  EXPECT_EQ(cell(list, 1, 4), s.link);
  EXPECT_EQ(w->findChild<QTabWidget*>("选择夹_网盘")->tabText(1).toStdString(), "下载列表2");

  // The tray's item brings the hidden window back first.
  w->close();
  ASSERT_FALSE(w->isVisible());
  w->tray_menu()->findChild<QAction*>(QString::fromUtf8("新建任务"))->trigger();
  EXPECT_TRUE(w->isVisible());
  ASSERT_TRUE(wait_for([&] { return find_widget<QWidget>("NewTaskWindow") != nullptr; }));
  find_widget<QWidget>("NewTaskWindow")->close();
}

}  // namespace
}  // namespace quarrow::testing
