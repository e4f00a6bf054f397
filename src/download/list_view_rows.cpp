#include "download/list_view_rows.h"

#include <QAction>

#include "ui/background.h"
#include "ui/desktop_services.h"
#include "ui/main_window.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"
#include "ui/settings.h"
#include "ui/sounds.h"

namespace quarrow::download {

using ui::qs;
using ui::tx;

template <typename F>
auto ListViewRows::call(F f) -> decltype(f()) {
  using R = decltype(f());
  if (closed_) return R{};
  return ui::on_ui_thread([this, &f]() -> R {
    if (closed_ || !main_) return R{};
    return f();
  });
}

ListViewRows::ListViewRows(ui::MainWindow* main) : main_(main) {}

TaskRow ListViewRows::cells_of(QTreeWidget* list, int row) {
  TaskRow cells;
  QTreeWidgetItem* item = list->topLevelItem(row);
  if (!item) return cells;
  for (int c = 0; c < 8; ++c) cells[c] = tx(item->text(c));
  return cells;
}

void ListViewRows::append_row(QTreeWidget* list, const TaskRow& cells) {
  auto* item = new QTreeWidgetItem;
  for (int c = 0; c < 8; ++c) item->setText(c, qs(cells[c]));
  list->addTopLevelItem(item);
}

int ListViewRows::download_count() { return call([this] { return main_->download_list()->topLevelItemCount(); }); }

TaskRow ListViewRows::download_row(int row) { return call([this, row] { return cells_of(main_->download_list(), row); }); }

void ListViewRows::set_download_cell(int row, int column, const Text& text) {
  call([&] {
    if (QTreeWidgetItem* item = main_->download_list()->topLevelItem(row)) item->setText(column, qs(text));
    return 0;
  });
}

void ListViewRows::remove_download_row(int row) {
  call([&] {
    delete main_->download_list()->takeTopLevelItem(row);
    return 0;
  });
}

int ListViewRows::completed_count() { return call([this] { return main_->completed_list()->topLevelItemCount(); }); }

TaskRow ListViewRows::completed_row(int row) {
  return call([this, row] { return cells_of(main_->completed_list(), row); });
}

void ListViewRows::insert_completed_row(int row, const TaskRow& cells) {
  call([&] {
    auto* item = new QTreeWidgetItem;
    for (int c = 0; c < 8; ++c) item->setText(c, qs(cells[c]));
    main_->completed_list()->insertTopLevelItem(row, item);
    return 0;
  });
}

void ListViewRows::set_completed_cell(int row, int column, const Text& text) {
  call([&] {
    if (QTreeWidgetItem* item = main_->completed_list()->topLevelItem(row)) item->setText(column, qs(text));
    return 0;
  });
}

template <typename F>
void DesktopRunnerHost::call(F f) {
  if (closed_) return;
  ui::on_ui_thread([this, &f] {
    if (!closed_ && main_) f();
  });
}

DesktopRunnerHost::DesktopRunnerHost(ui::MainWindow* main) : main_(main) {}

void DesktopRunnerHost::set_status(int part, const Text& text, const Text& tooltip) {
  call([&] { main_->status_bar()->set_part(part, qs(text), qs(tooltip)); });
}

void DesktopRunnerHost::show_failure_and_wait(const Text& message) {
  // No owner and no icon; the runner waits until it is closed.
  call([&] { ui::show_message(nullptr, qs(message), QString::fromUtf8("信息："), QMessageBox::NoIcon); });
}

void DesktopRunnerHost::set_clipboard(const Text& text) { call([&] { ui::set_clipboard_text(qs(text)); }); }

void DesktopRunnerHost::play_completion_sound() { ui::play_sound(ui::Sound::kCompletion); }

void DesktopRunnerHost::row_counts_changed() { call([&] { main_->set_tab_captions(); }); }

void DesktopRunnerHost::set_running(bool running) {
  call([&] {
    QMenu* menu = main_->downloading_menu();
    if (auto* start = menu->findChild<QAction*>(QString::fromUtf8("开始任务"))) start->setEnabled(!running);
    if (auto* stop = menu->findChild<QAction*>(QString::fromUtf8("停止任务"))) stop->setEnabled(running);
  });
}

bool DesktopRunnerHost::resume_enabled() { return ui::settings().resume_enabled != 0; }

}  // namespace quarrow::download
