// The disk browser of the main window: the disk list with the sub-folders and
// files of one folder, and the path bar with one button per level from the root.
// Listings run off the UI thread, one at a time; a request made while one runs
// waits for it (the latest request wins).
#pragma once

#include <QListWidget>
#include <QObject>
#include <QToolBar>

#include <functional>
#include <optional>

#include "ui/background.h"
#include "util/text.h"

namespace quarrow::disk {

// Roles of a disk-list row besides its title and icon.
inline constexpr int kIdRole = Qt::UserRole;
inline constexpr int kIconRole = Qt::UserRole + 1;

class DiskBrowser : public QObject {
  Q_OBJECT
 public:
  DiskBrowser(QToolBar* path_bar, QListWidget* list, QObject* parent);
  ~DiskBrowser() override;

  // Lists the folder into the disk list, then runs `after` (path-bar changes).
  void show_folder(const Text& folder_id, std::function<void()> after = {});
  // Opens the folder of a path button and drops the buttons behind it; the last
  // button refreshes the folder shown.
  void open_path_button(int index);
  void refresh() { open_path_button(path_button_count() - 1); }
  // The double click: opens the selected folder row.
  void open_selected_folder();

  int path_button_count() const;
  QString path_button_caption(int index) const;
  Text path_button_id(int index) const;
  void append_path_button(const QString& caption, const Text& id);

  int selected_row() const { return selected_row_; }
  Text current_folder_id() const { return current_folder_id_; }
  Text folder_list_json() const { return folder_list_json_; }
  Text file_list_json() const { return file_list_json_; }
  bool listing() const { return running_; }

  // Row facts: a folder row has icon 0; the value is the id.
  bool row_is_folder(int row) const;
  Text row_id(int row) const;
  QString row_title(int row) const;
  // Selected rows in list order.
  std::vector<int> selected_rows() const;

 signals:
  void listing_finished();
  void session_expired();
  void service_unreachable();
  void context_menu_requested(const QPoint& global_position);

 private:
  struct Request {
    Text id;
    std::function<void()> after;
  };
  void start(Request request);
  void finish(const Request& request, const Text& folders, const Text& files, int state);
  void on_context_menu(const QPoint& position);

  QToolBar* path_bar_;
  QListWidget* list_;
  ui::CancelFlag cancel_ = ui::make_cancel_flag();
  bool running_ = false;
  std::optional<Request> pending_;
  int selected_row_ = -1;
  Text current_folder_id_ = "-1";
  Text folder_list_json_;
  Text file_list_json_;
};

}  // namespace quarrow::disk
