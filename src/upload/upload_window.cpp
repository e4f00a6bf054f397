#include "upload/upload_window.h"

#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMimeData>
#include <QUrl>

#include "disk/disk_browser.h"
#include "ui/main_window.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"
#include "ui/sounds.h"

namespace quarrow::upload {
namespace {

QPointer<UploadWindow> g_current;

}  // namespace

bool holds_local_files(const QMimeData* data) {
  if (!data || !data->hasUrls()) return false;
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) return true;
  return false;
}

Text dropped_paths(const QMimeData* data) {
  Text paths;
  if (!data) return paths;
  for (const QUrl& url : data->urls()) {
    if (!url.isLocalFile()) continue;
    if (!paths.empty()) paths += "\r\n";
    paths += ui::tx(url.toLocalFile());
  }
  return paths;
}

Text pick_files_dialog(QWidget* owner, const QString& title, const QString& filter) {
  const QStringList parts = filter.split('|');
  QStringList filters;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    // "*.*" stands for every file, also the many here whose names have no dot.
    QString pattern = parts[i + 1] == "*.*" ? QString("*") : parts[i + 1];
    filters << parts[i] + " (" + pattern.replace(';', ' ') + ")";
  }
  const QStringList files = QFileDialog::getOpenFileNames(owner, title, QDir::currentPath(), filters.join(";;"));
  Text paths;
  for (const QString& file : files) {
    if (!paths.empty()) paths += "\r\n";
    paths += ui::tx(file);
  }
  return paths;
}

std::function<Text(QWidget*, const QString&, const QString&)> UploadWindow::pick_files = pick_files_dialog;

// The rows as the worker writes them: kept in memory for the worker, shown in
// the list by queued calls. The window waits for the worker before it goes, so
// it outlives every call posted here.
class UploadWindow::Rows : public MemoryUploadRows {
 public:
  explicit Rows(UploadWindow* window) : window_(window) {}

  void set_state(int index, const Text& state) override {
    MemoryUploadRows::set_state(index, state);
    UploadWindow* window = window_;
    QMetaObject::invokeMethod(window, [window, index, state] { window->show_state(index, state); },
                              Qt::QueuedConnection);
  }
  void row_done(int, const util::JsonDoc* answer) override {
    if (answer) ui::play_sound(ui::Sound::kUploadDone);
  }

 private:
  UploadWindow* window_;
};

UploadWindow::UploadWindow(ui::MainWindow* main_window)
    : QWidget(nullptr), main_window_(main_window), rows_(std::make_unique<Rows>(this)) {
  setObjectName("UploadWindow");
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QString::fromUtf8("上传文件"));
  resize(598, 340);  // 614 × 379 with the frame
  move(50, 50);
  setAcceptDrops(true);

  add_button_ = new QPushButton(QString::fromUtf8("添加文件"), this);
  add_button_->setObjectName("按钮_添加文件");
  add_button_->setGeometry(8, 16, 80, 32);
  start_button_ = new QPushButton(QString::fromUtf8("开始上传"), this);
  start_button_->setObjectName("按钮_开始上传");
  start_button_->setGeometry(104, 16, 80, 32);
  auto* label = new QLabel(QString::fromUtf8("上传限制：单文件超出100MB、空文件、目录等无法添加上传"), this);
  label->setObjectName("标签1");
  label->setGeometry(200, 24, 400, 24);

  list_ = new QTreeWidget(this);
  list_->setObjectName("超级列表框_上传列表");
  list_->setGeometry(8, 56, 592, 288);
  list_->setRootIsDecorated(false);
  list_->setUniformRowHeights(true);
  list_->header()->setMinimumSectionSize(0);
  list_->header()->setStretchLastSection(false);
  QStringList headers;
  for (const char* h : {"序号", "文件名", "文件大小", "上传状态", "文件目录", "文件夹ID"})
    headers << QString::fromUtf8(h);
  list_->setHeaderLabels(headers);
  const int widths[] = {50, 200, 100, 200, 0, 0};
  for (int i = 0; i < 6; ++i) list_->setColumnWidth(i, widths[i]);
  for (int column : {kSizeColumn, kStateColumn})
    list_->headerItem()->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);

  connect(add_button_, &QPushButton::clicked, this, [this] {
    add_upload_files(pick_files(this, QString::fromUtf8("添加文件"), QString::fromUtf8("所有文件(*.*)|*.*")));
  });
  connect(start_button_, &QPushButton::clicked, this, &UploadWindow::start_upload);
  // The queue belongs to the session MainWindow shows: it ends with it.
  if (main_window) connect(main_window, &QObject::destroyed, this, [this] { delete this; });

  if (!g_current) g_current = this;
}

UploadWindow::~UploadWindow() { stop_worker(); }

UploadWindow* UploadWindow::current() { return g_current; }

UploadWindow* UploadWindow::open(ui::MainWindow* main_window) {
  UploadWindow* window = g_current ? g_current.data() : new UploadWindow(main_window);
  window->show();
  window->raise();
  window->activateWindow();
  return window;
}

Text UploadWindow::destination_folder() const {
  return main_window_ ? main_window_->disk_browser()->current_folder_id() : Text("-1");
}

void UploadWindow::add_upload_files(const Text& paths) {
  for (const UploadTask& task : upload_tasks_for(paths, destination_folder(), rows_->count())) {
    rows_->append(task);
    auto* item = new QTreeWidgetItem(list_);
    for (int column = 0; column < 6; ++column) item->setText(column, ui::qs(task[column]));
    item->setTextAlignment(kSizeColumn, Qt::AlignRight | Qt::AlignVCenter);
    item->setTextAlignment(kStateColumn, Qt::AlignRight | Qt::AlignVCenter);
  }
}

void UploadWindow::start_upload() {
  if (running()) return;
  start_button_->setEnabled(false);
  cancel_ = false;
  worker_ = std::thread([this] {
    if (upload_runner(*rows_, &cancel_))
      QMetaObject::invokeMethod(this, [this] { run_finished(); }, Qt::QueuedConnection);
  });
}

void UploadWindow::show_state(int row, const Text& state) {
  QTreeWidgetItem* item = list_->topLevelItem(row);
  if (!item) return;
  item->setText(kStateColumn, ui::qs(state));
  if (state == kSendingState) list_->scrollToItem(item);
}

void UploadWindow::run_finished() {
  if (worker_.joinable()) worker_.join();
  if (main_window_) main_window_->disk_browser()->refresh();
  start_button_->setEnabled(true);
}

void UploadWindow::stop_worker() {
  cancel_ = true;
  if (worker_.joinable()) worker_.join();
  cancel_ = false;
  start_button_->setEnabled(true);
}

void UploadWindow::closeEvent(QCloseEvent* event) {
  if (!running()) {
    event->accept();
    return;
  }
  bool stop = ui::ask_yes_no(this, QString::fromUtf8("还有上传任务未完成，是否终止上传?"), QString::fromUtf8("提示"),
                             QMessageBox::Warning);
  if (!stop) {
    event->ignore();
    return;
  }
  stop_worker();
  event->accept();
}

void UploadWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (holds_local_files(event->mimeData())) event->acceptProposedAction();
}

void UploadWindow::dragMoveEvent(QDragMoveEvent* event) {
  if (holds_local_files(event->mimeData())) event->acceptProposedAction();
}

void UploadWindow::dropEvent(QDropEvent* event) {
  Text paths = dropped_paths(event->mimeData());
  if (paths.empty()) return;
  event->acceptProposedAction();
  add_upload_files(paths);
}

}  // namespace quarrow::upload
