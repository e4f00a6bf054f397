#include "ui/persisted_lists.h"

#include <QAbstractItemModel>

#include "shell/config_store.h"
#include "ui/list_format.h"
#include "ui/qt_text.h"

namespace quarrow::ui {
namespace {

const Text kSection = "超级列表框"_t;

// Row changes are saved at once after a short pause; cell changes (progress
// texts) much less often.
constexpr int kRowsDelayMs = 300;
constexpr int kCellsDelayMs = 3000;

}  // namespace

void save_list(QTreeWidget* list) {
  ListRows rows;
  const int columns = list->columnCount();
  for (int r = 0; r < list->topLevelItemCount(); ++r) {
    QTreeWidgetItem* item = list->topLevelItem(r);
    std::vector<Text> cells;
    for (int c = 0; c < columns; ++c) cells.push_back(tx(item->text(c)));
    rows.push_back(std::move(cells));
  }
  shell::config_write(kSection, tx(list->objectName()), encode_list(rows));
}

void load_list(QTreeWidget* list) {
  ListRows rows = decode_list(shell::config_read(kSection, tx(list->objectName())));
  list->setUpdatesEnabled(false);
  const int columns = list->columnCount();
  QList<QTreeWidgetItem*> items;
  for (const auto& cells : rows) {
    auto* item = new QTreeWidgetItem;
    for (int c = 0; c < columns && c < static_cast<int>(cells.size()); ++c) item->setText(c, qs(cells[c]));
    items.append(item);
  }
  list->addTopLevelItems(items);
  list->setUpdatesEnabled(true);
}

ListSaver::ListSaver(QTreeWidget* downloads, QTreeWidget* completed, QObject* parent)
    : QObject(parent) {
  downloads_.list = downloads;
  completed_.list = completed;
  for (Watched* w : {&downloads_, &completed_}) {
    w->timer.setSingleShot(true);
    QTreeWidget* list = w->list;
    connect(&w->timer, &QTimer::timeout, this, [list] { save_list(list); });
  }
}

void ListSaver::watch() {
  for (Watched* w : {&downloads_, &completed_}) {
    QTreeWidget* list = w->list;
    QAbstractItemModel* model = list->model();
    auto rows_changed = [this, list] { schedule(list, kRowsDelayMs); };
    connect(model, &QAbstractItemModel::rowsInserted, this, rows_changed);
    connect(model, &QAbstractItemModel::rowsRemoved, this, rows_changed);
    connect(model, &QAbstractItemModel::rowsMoved, this, rows_changed);
    connect(model, &QAbstractItemModel::modelReset, this, rows_changed);
    connect(model, &QAbstractItemModel::dataChanged, this, [this, list] { schedule(list, kCellsDelayMs); });
  }
}

void ListSaver::schedule(QTreeWidget* list, int delay_ms) {
  Watched& w = list == downloads_.list ? downloads_ : completed_;
  // A pending write comes no later than it was due; a row change brings it forward.
  if (w.timer.isActive() && w.timer.remainingTime() <= delay_ms) return;
  w.timer.start(delay_ms);
}

void ListSaver::flush() {
  for (Watched* w : {&downloads_, &completed_}) {
    if (!w->timer.isActive()) continue;
    w->timer.stop();
    save_list(w->list);
  }
}

}  // namespace quarrow::ui
