// MainWindow: the disk browser, the download list, the completed list and the
// settings page in four tabs, with a tray icon it hides into.
#pragma once

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QGroupBox>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeWidget>
#include <QWidget>

#include <functional>

#include "ui/balloon_tip.h"
#include "ui/status_parts.h"

namespace quarrow::disk {
class DiskBrowser;
}

namespace quarrow::ui {

class MainWindow : public QWidget {
  Q_OBJECT
 public:
  explicit MainWindow(QWidget* parent = nullptr);
  ~MainWindow() override;

  // Visible again if hidden, restored if minimised.
  void show_main_window();
  // A short confirmation; (0, 0) places it below the window's middle.
  void show_balloon_tip(int x, int y, const QString& text);
  void save_settings();
  void restore_settings();
  // Saves settings, window position and lists: run before the window goes.
  void exit_save();
  // The second and third tab captions from the row counts.
  void set_tab_captions();

  disk::DiskBrowser* disk_browser() const { return disk_browser_; }
  QListWidget* disk_list() const { return disk_list_; }
  QTreeWidget* download_list() const { return download_list_; }
  QTreeWidget* completed_list() const { return completed_list_; }
  StatusParts* status_bar() const { return status_bar_; }
  QMenu* disk_menu() const { return disk_menu_; }
  QMenu* downloading_menu() const { return downloading_menu_; }
  QMenu* completed_menu() const { return completed_menu_; }
  QMenu* tray_menu() const { return tray_menu_; }
  QSystemTrayIcon* tray_icon() const { return tray_; }
  QLineEdit* fixed_folder_box() const { return fixed_folder_box_; }
  bool first_activation_done() const { return first_activation_ran_; }

  // Whether the desktop has a tray to hide into; tests pretend it has.
  static std::function<bool()> tray_available;
  // Picks a folder for the fixed download folder; tests replace it.
  std::function<QString()> folder_picker;
  // Extra steps of the first activation and of the exit save (the saved lists).
  std::function<void()> on_first_activation;
  std::function<void()> on_exit_save;

 signals:
  void log_out_requested();
  void exit_requested();
  // The window is about to go: workers that use it stop now.
  void closing();
  void session_expired();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void build_pages();
  void build_menus();
  void build_tray();
  void first_activation();
  void lay_out();
  void apply_fixed_folder_rule();
  void choose_fixed_folder();
  QString window_position_text() const;

  QTabWidget* tabs_;
  QToolBar* path_bar_;
  QListWidget* disk_list_;
  QTreeWidget* download_list_;
  QTreeWidget* completed_list_;
  StatusParts* status_bar_;
  QPushButton* profile_button_;
  QPushButton* recycle_button_;
  QPushButton* release_button_;
  QPushButton* log_out_button_;
  QLineEdit* account_box_;
  QGroupBox* settings_group_;
  QCheckBox* smart_ke_box_;
  QCheckBox* resume_box_;
  QCheckBox* fixed_dir_box_;
  QLineEdit* fixed_folder_box_;
  QPushButton* choose_folder_button_;
  QMenu* disk_menu_;
  QMenu* downloading_menu_;
  QMenu* completed_menu_;
  QMenu* tray_menu_;
  QSystemTrayIcon* tray_ = nullptr;
  BalloonTip* balloon_;
  disk::DiskBrowser* disk_browser_;
  bool activated_ = false;
  bool first_activation_ran_ = false;
  bool closing_emitted_ = false;
};

}  // namespace quarrow::ui
