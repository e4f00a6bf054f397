// NewTaskWindow against quarrow-server: the clipboard text on opening, "解析"
// with every line kind, the check boxes, renaming in place, the save folder
// and "加入下载列表".
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTreeWidget>

#include <filesystem>

#include "download/task_records.h"
#include "gui_support.h"
#include "share/new_task_window.h"
#include "share_support.h"

namespace quarrow::testing {
namespace {

using download::TaskRow;
using share::NewTaskWindow;

class NewTaskWindowTest : public ShareTest {
 protected:
  void TearDown() override {
    if (window_) delete window_.data();
    ShareTest::TearDown();
  }

  // Opens the window with the text on the clipboard, as "新建任务" does.
  NewTaskWindow* open(const std::string& clipboard, bool smart_ke = false) {
    QGuiApplication::clipboard()->setText(QString::fromStdString(clipboard));
    share::NewTaskOptions options;
    options.save_folder = QString::fromStdString(save_dir_.path().string() + "/");
    options.smart_ke = smart_ke;
    options.add_tasks = [this](const std::vector<TaskRow>& rows) {
      added_.insert(added_.end(), rows.begin(), rows.end());
      ++add_calls_;
    };
    options.folder_picker = [this] { return picked_; };
    window_ = qobject_cast<NewTaskWindow*>(share::open_new_task_window(options));
    EXPECT_NE(window_, nullptr);
    return window_;
  }

  template <typename T>
  T* child(const char* name) {
    T* w = window_ ? window_->findChild<T*>(QString::fromUtf8(name)) : nullptr;
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  QTreeWidget* list() { return child<QTreeWidget>("超级列表框1"); }

  // Clicks "解析" and waits until every row is in.
  void parse() {
    child<QPushButton>("按钮_解析")->click();
    ASSERT_TRUE(wait_for([&] { return window_ && !window_->parsing(); }, 30000));
  }

  // Every column of a found row, as UTF-8.
  std::vector<std::string> row(int i) {
    std::vector<std::string> cells;
    QTreeWidgetItem* item = list()->topLevelItem(i);
    if (!item) return cells;
    for (int c = 0; c < 6; ++c) cells.push_back(item->text(c).toStdString());
    return cells;
  }

  void add_to_list() {
    child<QPushButton>("按钮_加入下载列表")->click();
    EXPECT_TRUE(wait_for([&] { return window_.isNull(); })) << "the window stays open";
  }

  static std::vector<std::string> cells(const TaskRow& row) {
    std::vector<std::string> out;
    for (const Text& t : row) out.push_back(u8(t));
    return out;
  }

  std::string folder_text() const { return save_dir_.path().string() + "/"; }

  TempDir save_dir_;
  QPointer<NewTaskWindow> window_;
  std::vector<TaskRow> added_;
  int add_calls_ = 0;
  QString picked_;
};

TEST_F(NewTaskWindowTest, AllThreeLineKinds) {
  test::FileInfo single = share_file("报告.docx", std::string(2048, 'd'));
  test::FolderInfo folder = server().create_folder(account(), "共享");
  test::FileInfo f1 = share_file("one.txt", std::string(532, '1'), {}, folder.id);
  test::FileInfo f2 = share_file("two.zip.ke", std::string(1536, '2'), {}, folder.id);
  test::FileInfo f3 = share_file("three", "3", {}, folder.id);
  test::FileInfo pdf = share_file("report.pdf", "%PDF");
  const std::string direct = direct_of(pdf);
  // The last two are answered without Content-Disposition.
  const std::string query = share_url() + "/pub/setup.exe?v=2/3";
  const std::string trailing = share_url() + "/pub/月报/";
  const std::string pasted = link_of(single) + "\r\n" + link_of(folder) + "\r\n\r\n" + direct + "\r\n" + query +
                             "\r\n" + trailing + "\r\n";

  NewTaskWindow* w = open(pasted, true);
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->isModal());
  EXPECT_EQ(w->windowTitle().toStdString(), "新建任务");
  EXPECT_EQ(child<QPlainTextEdit>("编辑框_任务地址")->toPlainText().toStdString(),
            QString::fromStdString(pasted).replace("\r\n", "\n").toStdString());
  EXPECT_EQ(child<QLineEdit>("编辑框_储存位置")->text().toStdString(), folder_text());

  // While the answers are slow the window stays responsive, with its controls off.
  server().add_fault({"latency", "150", "share"});
  child<QPushButton>("按钮_解析")->click();
  EXPECT_TRUE(w->parsing());
  EXPECT_FALSE(child<QPushButton>("按钮_解析")->isEnabled());
  EXPECT_FALSE(child<QPushButton>("按钮_加入下载列表")->isEnabled());
  EXPECT_NE(QApplication::overrideCursor(), nullptr);
  ASSERT_TRUE(wait_for([&] { return !w->parsing(); }, 60000));
  EXPECT_TRUE(child<QPushButton>("按钮_解析")->isEnabled());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  server().clear_faults();

  const std::string http = "http://" + share_url().substr(std::string("http://").size()) + "/";
  ASSERT_EQ(list()->topLevelItemCount(), 7);
  EXPECT_EQ(row(0), (std::vector<std::string>{"报告.docx", ".docx", "2.0 K", link_of(single), "", direct_of(single)}));
  EXPECT_EQ(row(1), (std::vector<std::string>{"one.txt", ".txt", "532 B", http + f1.key, "", direct_of(f1)}));
  EXPECT_EQ(row(2), (std::vector<std::string>{"two.zip", ".zip", "1.5 K", http + f2.key, "", direct_of(f2)}));
  EXPECT_EQ(row(3), (std::vector<std::string>{"three", "", "1 B", http + f3.key, "", direct_of(f3)}));
  EXPECT_EQ(row(4), (std::vector<std::string>{"report.pdf", ".pdf", "未知", "", "", direct}));
  EXPECT_EQ(row(5), (std::vector<std::string>{"setup.exe", ".exe", "未知", "", "", query}));
  EXPECT_EQ(row(6), (std::vector<std::string>{"月报", "", "未知", "", "", trailing}));
  for (int i = 0; i < 7; ++i) EXPECT_EQ(list()->topLevelItem(i)->checkState(0), Qt::Checked);

  add_to_list();
  ASSERT_EQ(added_.size(), 7u);
  EXPECT_EQ(add_calls_, 1);
  EXPECT_EQ(cells(added_[0]), (std::vector<std::string>{"", "报告.docx", "2.0 K", "等待下载", link_of(single), "",
                                                        folder_text(), direct_of(single)}));
  EXPECT_EQ(cells(added_[4]),
            (std::vector<std::string>{"", "report.pdf", "未知", "等待下载", "", "", folder_text(), direct}));
}

TEST_F(NewTaskWindowTest, PasswordOnTheNextLine) {
  test::FileInfo locked = share_file("locked.7z", "locked bytes", "k9");
  open(link_of(locked) + "\r\n密码:k9");
  server().clear_request_log();
  parse();
  ASSERT_EQ(list()->topLevelItemCount(), 1);
  EXPECT_EQ(row(0), (std::vector<std::string>{"locked.7z", ".7z", "12 B", link_of(locked), "k9", direct_of(locked, "k9")}));
  auto posts = share_requests("/ajaxm.php");
  ASSERT_GE(posts.size(), 1u);
  EXPECT_TRUE(posts[0].body.ends_with("&p=k9")) << posts[0].body;
}

TEST_F(NewTaskWindowTest, BlankBeforeTheMarkerStaysInTheLink) {
  test::FileInfo locked = share_file("blank.txt", "b", "k9");
  open(link_of(locked) + " 密码:k9");
  parse();
  ASSERT_EQ(list()->topLevelItemCount(), 1);
  EXPECT_EQ(row(0)[share::kFoundLink], link_of(locked) + " ");
  EXPECT_EQ(row(0)[share::kFoundPassword], "k9");
  add_to_list();
  ASSERT_EQ(added_.size(), 1u);
  EXPECT_EQ(u8(added_[0][download::kLinkColumn]), link_of(locked) + " ");
  EXPECT_EQ(u8(added_[0][download::kPasswordColumn]), "k9");
}

TEST_F(NewTaskWindowTest, TwoSingleFileLinksTheSecondLocked) {
  test::FileInfo open_file = share_file("open.txt", "open");
  test::FileInfo locked = share_file("secret.bin", "secret", "pw");
  open(link_of(open_file) + "\r\n" + link_of(locked) + "\r\n密码:pw");
  parse();
  ASSERT_EQ(list()->topLevelItemCount(), 2);
  EXPECT_EQ(row(0)[share::kFoundName], "open.txt");
  EXPECT_EQ(row(1)[share::kFoundName], "secret.bin");
  EXPECT_EQ(row(1)[share::kFoundType], ".bin");
  EXPECT_EQ(row(1)[share::kFoundPassword], "pw");
}

TEST_F(NewTaskWindowTest, UntickedRowLeftOutRenamedRowKeepsItsName) {
  test::FileInfo a = share_file("a.zip", "zip bytes");
  test::FileInfo b = share_file("b.txt", "text");
  test::FileInfo c = share_file("c.txt", "more");
  open(link_of(a) + "\n" + link_of(b) + "\n" + link_of(c));
  parse();
  ASSERT_EQ(list()->topLevelItemCount(), 3);

  list()->topLevelItem(1)->setCheckState(0, Qt::Unchecked);

  // Renamed in place, through the list's own editor.
  QTreeWidgetItem* item = list()->topLevelItem(0);
  list()->setCurrentItem(item, 0);
  list()->editItem(item, 0);
  QLineEdit* editor = nullptr;
  ASSERT_TRUE(wait_for([&] { return (editor = list()->findChild<QLineEdit*>()) != nullptr && editor->isVisible(); }));
  editor->setText(QString::fromUtf8("a.rar"));
  QTest::keyClick(editor, Qt::Key_Return);
  ASSERT_TRUE(wait_for([&] { return item->text(0) == QString::fromUtf8("a.rar"); }));
  EXPECT_EQ(item->text(share::kFoundType).toStdString(), ".rar");
  // The other columns are not edited in place.
  list()->editItem(item, share::kFoundSize);
  QTest::qWait(50);
  EXPECT_EQ(list()->findChild<QLineEdit*>(), nullptr);

  // The save folder is taken as typed, even one that does not exist.
  child<QLineEdit>("编辑框_储存位置")->setText(QString::fromUtf8("/nonexistent/下载/"));
  add_to_list();
  ASSERT_EQ(added_.size(), 2u);
  EXPECT_EQ(u8(added_[0][download::kNameColumn]), "a.rar");
  EXPECT_EQ(u8(added_[0][download::kLinkColumn]), link_of(a));
  EXPECT_EQ(u8(added_[1][download::kNameColumn]), "c.txt");
  EXPECT_EQ(u8(added_[1][download::kFolderColumn]), "/nonexistent/下载/");
}

TEST_F(NewTaskWindowTest, EachParseStartsFromAnEmptyList) {
  test::FileInfo a = share_file("again.txt", "x");
  open(link_of(a));
  parse();
  parse();
  EXPECT_EQ(list()->topLevelItemCount(), 1);
  child<QPlainTextEdit>("编辑框_任务地址")->setPlainText("\n\n");
  parse();
  EXPECT_EQ(list()->topLevelItemCount(), 0);
}

TEST_F(NewTaskWindowTest, ChooseSaveFolder) {
  open("");
  QLineEdit* box = child<QLineEdit>("编辑框_储存位置");
  MessageAnswerer answers;

  picked_ = "";  // cancelled
  window_->choose_save_folder();
  EXPECT_EQ(box->text().toStdString(), folder_text());

  std::filesystem::create_directory(save_dir_ / "子目录");
  picked_ = QString::fromStdString((save_dir_ / "子目录").string());
  window_->choose_save_folder();
  EXPECT_EQ(box->text().toStdString(), (save_dir_ / "子目录").string() + "/");

  picked_ = QString::fromStdString((save_dir_ / "gone").string());
  QTimer::singleShot(0, [&] { window_->choose_save_folder(); });
  ASSERT_TRUE(answers.wait_for_message());
  EXPECT_EQ(answers.seen()[0].title, "提示");
  EXPECT_EQ(answers.seen()[0].text, "该位置不能进行保存\r\n" + (save_dir_ / "gone").string() + "/");
  EXPECT_EQ(box->text().toStdString(), (save_dir_ / "子目录").string() + "/");
}

TEST_F(NewTaskWindowTest, ClosedDuringTheParse) {
  test::FileInfo a = share_file("slow.txt", "s");
  open(link_of(a) + "\n" + link_of(a));
  server().add_fault({"latency", "300", "share"});
  child<QPushButton>("按钮_解析")->click();
  ASSERT_TRUE(window_->parsing());
  window_->close();
  ASSERT_TRUE(wait_for([&] { return window_.isNull(); }));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  QTest::qWait(800);  // the cancelled work ends without touching the window
  EXPECT_EQ(add_calls_, 0);
  server().clear_faults();
}

}  // namespace
}  // namespace quarrow::testing
