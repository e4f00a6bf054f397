#include "disk/disk_browser.h"

#include <QAction>
#include <QApplication>

#include "disk/listing.h"
#include "ui/icons.h"
#include "ui/qt_text.h"
#include "ui/sounds.h"
#include "util/file_types.h"
#include "util/json_doc.h"
#include "util/text_search.h"

namespace quarrow::disk {

using ui::qs;
using ui::tx;

DiskBrowser::DiskBrowser(QToolBar* path_bar, QListWidget* list, QObject* parent)
    : QObject(parent), path_bar_(path_bar), list_(list) {
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(list_, &QListWidget::itemDoubleClicked, this, [this] { open_selected_folder(); });
  connect(list_, &QWidget::customContextMenuRequested, this, &DiskBrowser::on_context_menu);
  if (path_bar_->actions().isEmpty()) append_path_button(QString::fromUtf8("根目录"), "-1");
  connect(path_bar_, &QToolBar::actionTriggered, this, [this](QAction* action) {
    open_path_button(static_cast<int>(path_bar_->actions().indexOf(action)));
  });
}

DiskBrowser::~DiskBrowser() {
  cancel_->store(true);
  if (running_) QApplication::restoreOverrideCursor();
}

int DiskBrowser::path_button_count() const { return static_cast<int>(path_bar_->actions().size()); }

QString DiskBrowser::path_button_caption(int index) const {
  auto actions = path_bar_->actions();
  return index >= 0 && index < actions.size() ? actions[index]->text() : QString();
}

Text DiskBrowser::path_button_id(int index) const {
  auto actions = path_bar_->actions();
  return index >= 0 && index < actions.size() ? tx(actions[index]->toolTip()) : Text();
}

void DiskBrowser::append_path_button(const QString& caption, const Text& id) {
  QAction* action = path_bar_->addAction(caption);
  action->setToolTip(qs(id));
}

bool DiskBrowser::row_is_folder(int row) const {
  QListWidgetItem* item = list_->item(row);
  return item && item->data(kIconRole).toInt() == 0;
}

Text DiskBrowser::row_id(int row) const {
  QListWidgetItem* item = list_->item(row);
  return item ? std::to_string(item->data(kIdRole).toInt()) : Text();
}

QString DiskBrowser::row_title(int row) const {
  QListWidgetItem* item = list_->item(row);
  return item ? item->text() : QString();
}

std::vector<int> DiskBrowser::selected_rows() const {
  std::vector<int> rows;
  for (int i = 0; i < list_->count(); ++i)
    if (list_->item(i)->isSelected()) rows.push_back(i);
  return rows;
}

void DiskBrowser::show_folder(const Text& folder_id, std::function<void()> after) {
  Request request{folder_id, std::move(after)};
  if (running_) {
    pending_ = std::move(request);
    return;
  }
  start(std::move(request));
}

void DiskBrowser::start(Request request) {
  running_ = true;
  current_folder_id_ = request.id;
  QApplication::setOverrideCursor(Qt::BusyCursor);
  list_->setEnabled(false);
  path_bar_->setEnabled(false);
  ui::run_in_background(
      this, cancel_, [id = request.id] { return list_folder(id); },
      [this, request](FolderListing listing) {
        finish(request, listing.folders, listing.files, static_cast<int>(listing.state));
      });
}

void DiskBrowser::finish(const Request& request, const Text& folders, const Text& files, int state) {
  running_ = false;
  QApplication::restoreOverrideCursor();
  list_->setEnabled(true);
  path_bar_->setEnabled(true);
  if (static_cast<PageState>(state) == PageState::kLoggedOut) {
    // The page a logged-out visitor gets: the session has expired.
    pending_.reset();
    emit session_expired();
    return;
  }
  folder_list_json_ = folders;
  file_list_json_ = files;

  util::JsonDoc doc;
  doc.parse(folders);
  list_->clear();
  long long n = util::text_to_int(doc.get_text("FolderNum"));
  for (long long i = 0; i < n; ++i) {
    Text item = "FolderList[" + std::to_string(i) + "].";
    auto* row = new QListWidgetItem(ui::file_type_icon_picture(0), qs(doc.get_text(item + "name")));
    row->setData(kIdRole, static_cast<int>(util::text_to_int(doc.get_text(item + "id"))));
    row->setData(kIconRole, 0);
    list_->addItem(row);
  }
  doc.parse(files);
  n = util::text_to_int(doc.get_text("FileNum"));
  for (long long i = 0; i < n; ++i) {
    Text item = "FileList[" + std::to_string(i) + "].";
    Text name = doc.get_text(item + "name_all");
    int icon = util::file_type_icon(name);
    auto* row = new QListWidgetItem(ui::file_type_icon_picture(icon), qs(name));
    row->setData(kIdRole, static_cast<int>(util::text_to_int(doc.get_text(item + "id"))));
    row->setData(kIconRole, icon);
    list_->addItem(row);
  }
  ui::play_sound(ui::Sound::kListing);
  if (request.after) request.after();
  if (static_cast<PageState>(state) == PageState::kUnreachable) emit service_unreachable();
  emit listing_finished();
  if (pending_) {
    Request next = std::move(*pending_);
    pending_.reset();
    start(std::move(next));
  }
}

void DiskBrowser::open_selected_folder() {
  int row = list_->currentRow();
  if (row < 0 || !list_->item(row)->isSelected() || !row_is_folder(row)) return;
  Text id = row_id(row);
  QString name = row_title(row);
  show_folder(id, [this, name, id] { append_path_button(name, id); });
}

void DiskBrowser::open_path_button(int index) {
  Text id = path_button_id(index);
  if (index < 0 || index >= path_button_count()) return;
  show_folder(id, [this, id] {
    for (int n = path_button_count(); n > 0; --n) {
      QList<QAction*> actions = path_bar_->actions();
      if (tx(actions.last()->toolTip()) == id) break;
      path_bar_->removeAction(actions.last());
      delete actions.last();
    }
  });
}

void DiskBrowser::on_context_menu(const QPoint& position) {
  int row = list_->currentRow();
  selected_row_ = (row >= 0 && list_->item(row)->isSelected()) ? row : -1;
  if (selected_row_ < 0 && !list_->selectedItems().isEmpty()) selected_row_ = list_->row(list_->selectedItems().first());
  emit context_menu_requested(list_->viewport()->mapToGlobal(position));
}

}  // namespace quarrow::disk
