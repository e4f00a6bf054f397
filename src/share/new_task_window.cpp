#include "share/new_task_window.h"

#include <QApplication>
#include <QFileDialog>
#include <QHeaderView>
#include <QPointer>
#include <QStyledItemDelegate>

#include "download/task_records.h"
#include "ui/desktop_services.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"
#include "util/file_ops.h"
#include "util/file_types.h"

namespace quarrow::share {
namespace {

using ui::qs;
using ui::tx;

// Only the file name is edited in place; the other cells follow from it or
// from the service.
class NameOnlyDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    if (index.column() != kFoundName) return nullptr;
    return QStyledItemDelegate::createEditor(parent, option, index);
  }
};

QString default_folder_picker(QWidget* owner, const QString& start) {
  return QFileDialog::getExistingDirectory(owner, QString::fromUtf8("请选择保存位置"), start);
}

}  // namespace

QWidget* open_new_task_window(const NewTaskOptions& options) {
  auto* window = new NewTaskWindow(options);
  window->show();
  window->raise();
  window->activateWindow();
  return window;
}

NewTaskWindow::NewTaskWindow(const NewTaskOptions& options)
    : QWidget(nullptr), options_(options), cancel_(ui::make_cancel_flag()) {
  setObjectName("NewTaskWindow");
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowModality(Qt::ApplicationModal);
  setWindowTitle(QString::fromUtf8("新建任务"));
  resize(376, 480);  // the controls' area of the 380 × 510 window
  move(50, 50);

  address_box_ = new QPlainTextEdit(this);
  address_box_->setObjectName("编辑框_任务地址");
  address_box_->setGeometry(8, 16, 360, 150);
  address_box_->setLineWrapMode(QPlainTextEdit::NoWrap);
  address_box_->setTabChangesFocus(true);

  parse_button_ = new QPushButton(QString::fromUtf8("解析"), this);
  parse_button_->setObjectName("按钮_解析");
  parse_button_->setGeometry(8, 168, 360, 32);

  found_list_ = new QTreeWidget(this);
  found_list_->setObjectName("超级列表框1");
  found_list_->setGeometry(8, 208, 360, 200);
  found_list_->setRootIsDecorated(false);
  found_list_->setUniformRowHeights(true);
  found_list_->setItemDelegate(new NameOnlyDelegate(found_list_));
  found_list_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                               QAbstractItemView::SelectedClicked);
  found_list_->header()->setStretchLastSection(false);
  QStringList headers;
  for (const char* h : {"文件名", "类型", "大小", "文件外链", "文件密码", "文件直链"}) headers << QString::fromUtf8(h);
  found_list_->setHeaderLabels(headers);
  const int widths[] = {200, 50, 80};
  for (int column = 0; column < 3; ++column) found_list_->setColumnWidth(column, widths[column]);
  for (int column : {kFoundType, kFoundSize}) found_list_->headerItem()->setTextAlignment(column, Qt::AlignCenter);
  for (int column : {kFoundLink, kFoundPassword, kFoundDirect}) found_list_->setColumnHidden(column, true);

  folder_box_ = new QLineEdit(this);
  folder_box_->setObjectName("编辑框_储存位置");
  folder_box_->setGeometry(8, 416, 317, 20);
  folder_button_ = new QPushButton(QString::fromUtf8("..."), this);
  folder_button_->setObjectName("按钮_选择储存目录");
  folder_button_->setGeometry(327, 413, 40, 24);

  add_button_ = new QPushButton(QString::fromUtf8("加入下载列表"), this);
  add_button_->setObjectName("按钮_加入下载列表");
  add_button_->setGeometry(8, 440, 360, 32);

  connect(parse_button_, &QPushButton::clicked, this, &NewTaskWindow::parse);
  connect(folder_button_, &QPushButton::clicked, this, &NewTaskWindow::choose_save_folder);
  connect(add_button_, &QPushButton::clicked, this, &NewTaskWindow::add_to_download_list);
  connect(found_list_, &QTreeWidget::itemChanged, this, [](QTreeWidgetItem* item, int column) {
    if (column == kFoundName) item->setText(kFoundType, qs(util::file_extension(tx(item->text(kFoundName)))));
  });

  folder_box_->setText(options_.save_folder);
  address_box_->setPlainText(ui::clipboard_text());
}

NewTaskWindow::~NewTaskWindow() {
  // A parse still running ends its requests at once; its rows are dropped.
  cancel_->store(true);
  if (parsing_) QApplication::restoreOverrideCursor();
}

void NewTaskWindow::set_busy(bool busy) {
  if (busy == parsing_) return;
  parsing_ = busy;
  for (QWidget* w : std::initializer_list<QWidget*>{address_box_, parse_button_, found_list_, folder_box_,
                                                    folder_button_, add_button_})
    w->setEnabled(!busy);
  if (busy) QApplication::setOverrideCursor(Qt::BusyCursor);
  else QApplication::restoreOverrideCursor();
}

void NewTaskWindow::parse() {
  if (parsing_) return;
  found_list_->clear();
  const Text pasted = tx(address_box_->toPlainText());
  const bool smart_ke = options_.smart_ke;
  set_busy(true);
  QPointer<NewTaskWindow> self(this);
  ui::CancelFlag cancel = cancel_;
  ui::run_in_background(
      this, cancel_,
      [pasted, smart_ke, self, cancel] {
        // Rows reach the list as they are found; they are queued ahead of the end of the parse.
        parse_share_text(pasted, smart_ke, [&self, &cancel](const FoundFile& file) {
          QMetaObject::invokeMethod(
              qApp,
              [self, cancel, file] {
                if (self && !cancel->load()) self->append_row(file);
              },
              Qt::QueuedConnection);
        });
        return true;
      },
      [this](bool) {
        set_busy(false);
        emit parse_finished();
      });
}

void NewTaskWindow::append_row(const FoundFile& file) {
  auto* item = new QTreeWidgetItem;
  item->setText(kFoundName, qs(file.name));
  item->setText(kFoundType, qs(file.type));
  item->setText(kFoundSize, qs(file.size));
  item->setText(kFoundLink, qs(file.link));
  item->setText(kFoundPassword, qs(file.password));
  item->setText(kFoundDirect, qs(file.direct));
  item->setTextAlignment(kFoundType, Qt::AlignCenter);
  item->setTextAlignment(kFoundSize, Qt::AlignCenter);
  item->setFlags(item->flags() | Qt::ItemIsUserCheckable | Qt::ItemIsEditable);
  item->setCheckState(kFoundName, Qt::Checked);
  found_list_->addTopLevelItem(item);
}

void NewTaskWindow::choose_save_folder() {
  const QString chosen =
      options_.folder_picker ? options_.folder_picker() : default_folder_picker(this, folder_box_->text());
  if (chosen.isEmpty()) return;
  const Text folder = util::with_trailing_slash(tx(chosen));
  if (util::is_folder(folder)) {
    folder_box_->setText(qs(folder));
    return;
  }
  ui::show_message(this, QString::fromUtf8("该位置不能进行保存\r\n") + qs(folder));
}

void NewTaskWindow::add_to_download_list() {
  if (parsing_) return;
  // Taken as it stands: the runner replaces a folder that does not exist.
  const Text folder = tx(folder_box_->text());
  std::vector<download::TaskRow> rows;
  for (int i = 0; i < found_list_->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* item = found_list_->topLevelItem(i);
    if (item->checkState(kFoundName) != Qt::Checked) continue;
    download::TaskRow row = download::new_download_task(0, tx(item->text(kFoundName)), tx(item->text(kFoundSize)),
                                                        tx(item->text(kFoundLink)), tx(item->text(kFoundPassword)),
                                                        folder, tx(item->text(kFoundDirect)));
    row[download::kNumberColumn].clear();
    rows.push_back(std::move(row));
  }
  if (options_.add_tasks) options_.add_tasks(rows);
  close();
}

}  // namespace quarrow::share
