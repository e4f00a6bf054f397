#include "ui/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileDialog>
#include <QHeaderView>
#include <QScreen>
#include <QTimer>

#include "disk/disk_browser.h"
#include "disk/disk_ops.h"
#include "net/endpoints.h"
#include "shell/config_store.h"
#include "shell/login_state.h"
#include "shell/run_dir.h"
#include "shell/window_ops.h"
#include "ui/desktop_services.h"
#include "ui/icons.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"
#include "ui/settings.h"
#include "util/file_ops.h"
#include "util/text_search.h"

namespace quarrow::ui {
namespace {

const Text kSettingsSection = "下载设置"_t;
const Text kConfigSection = "配置"_t;
const Text kWindowPositionKey = "窗口位置"_t;
constexpr char kCaption[] = "Quarrow盘 v2.3";
// The release page: the share page of the folder that holds the program's releases.
constexpr char kReleasePath[] = "/bquarrow";

Text truth(bool on) { return on ? "真"_t : "假"_t; }

QTreeWidget* make_task_list(QWidget* page, const char* name) {
  auto* list = new QTreeWidget(page);
  list->setObjectName(QString::fromUtf8(name));
  list->setRootIsDecorated(false);
  list->setUniformRowHeights(true);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setContextMenuPolicy(Qt::CustomContextMenu);
  list->header()->setMinimumSectionSize(0);
  list->header()->setStretchLastSection(false);
  const char* headers[] = {"序号", "文件名", "文件大小", "下载进度", "文件外链", "文件密码", "保存位置", "文件直链"};
  const int widths[] = {50, 80, 80, 80, 80, 80, 80, 0};
  QStringList labels;
  for (const char* h : headers) labels << QString::fromUtf8(h);
  list->setHeaderLabels(labels);
  for (int i = 0; i < 8; ++i) list->setColumnWidth(i, widths[i]);
  list->setGeometry(0, 40, 560, 344);
  return list;
}

QAction* add_item(QMenu* menu, const char* text) {
  QAction* action = menu->addAction(QString::fromUtf8(text));
  action->setObjectName(QString::fromUtf8(text));
  return action;
}

}  // namespace

std::function<bool()> MainWindow::tray_available = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };

MainWindow::MainWindow(QWidget* parent) : QWidget(parent) {
  setObjectName("MainWindow");
  setAttribute(Qt::WA_DeleteOnClose, false);
  setWindowTitle(QString::fromUtf8(kCaption));
  setWindowIcon(app_icon());
  resize(650, 440);
  move(50, 50);

  build_pages();
  build_menus();
  balloon_ = new BalloonTip(this);
  disk_browser_ = new disk::DiskBrowser(path_bar_, disk_list_, this);
  connect(disk_browser_, &disk::DiskBrowser::context_menu_requested, this,
          [this](const QPoint& at) { disk_menu_->popup(at); });
  connect(disk_browser_, &disk::DiskBrowser::session_expired, this, &MainWindow::session_expired);
  connect(disk_browser_, &disk::DiskBrowser::service_unreachable, this,
          [this] { show_balloon_tip(0, 0, QString::fromUtf8("无法连接服务器，请检查网络后重试。")); });

  account_box_->setText(QString::fromUtf8("用户：") + qs(shell::account_name()));
  build_tray();
  folder_picker = [this] {
    return QFileDialog::getExistingDirectory(this, QString::fromUtf8("请选择保存位置"), fixed_folder_box_->text());
  };
}

MainWindow::~MainWindow() {
  if (!closing_emitted_) emit closing();
  if (tray_) tray_->hide();
}

void MainWindow::build_pages() {
  tabs_ = new QTabWidget(this);
  tabs_->setObjectName("选择夹_网盘");
  tabs_->setGeometry(0, 0, 648, 416);

  auto* disk_page = new QWidget;
  path_bar_ = new QToolBar(disk_page);
  path_bar_->setObjectName("工具条_文件路径");
  path_bar_->setToolButtonStyle(Qt::ToolButtonTextOnly);
  path_bar_->setGeometry(0, 20, 772, 20);
  disk_list_ = new QListWidget(disk_page);
  disk_list_->setObjectName("超级列表框_网盘目录");
  disk_list_->setGeometry(48, 96, 392, 264);
  disk_list_->setIconSize(QSize(20, 20));
  tabs_->addTab(disk_page, QString::fromUtf8("我的网盘"));

  auto* download_page = new QWidget;
  status_bar_ = new StatusParts(download_page);
  status_bar_->setGeometry(0, 20, 794, 20);
  download_list_ = make_task_list(download_page, "超级列表框_下载列表");
  tabs_->addTab(download_page, QString::fromUtf8("下载列表0"));

  auto* completed_page = new QWidget;
  completed_list_ = make_task_list(completed_page, "超级列表框_下载完成");
  tabs_->addTab(completed_page, QString::fromUtf8("下载完成0"));

  auto* settings_page = new QWidget;
  auto button = [settings_page](const char* name, const char* text, int x, int y, int w, int h) {
    auto* b = new QPushButton(QString::fromUtf8(text), settings_page);
    b->setObjectName(QString::fromUtf8(name));
    b->setGeometry(x, y, w, h);
    return b;
  };
  profile_button_ = button("按钮_个人中心", "个人中心", 8, 40, 80, 32);
  recycle_button_ = button("按钮_回收站", "回收站", 96, 40, 80, 32);
  release_button_ = button("按钮_获取最新版本", "获取最新版本", 184, 40, 80, 32);
  log_out_button_ = button("按钮_退出登录", "退出登录", 372, 40, 80, 32);
  account_box_ = new QLineEdit(settings_page);
  account_box_->setObjectName("编辑框_账号");
  account_box_->setReadOnly(true);
  account_box_->setGeometry(496, 48, 192, 20);
  settings_group_ = new QGroupBox(QString::fromUtf8("下载设置"), settings_page);
  settings_group_->setObjectName("分组框_下载设置");
  settings_group_->setGeometry(8, 88, 624, 144);
  auto box = [this](const char* name, const char* text, int y) {
    auto* b = new QCheckBox(QString::fromUtf8(text), settings_group_);
    b->setObjectName(QString::fromUtf8(name));
    b->setGeometry(16, y, 120, 24);
    return b;
  };
  smart_ke_box_ = box("选择框_智能处理ke扩展名", "智能处理ke扩展名", 24);
  resume_box_ = box("选择框_启动断点续载", "启用断点续载", 48);
  fixed_dir_box_ = box("选择框_固定下载储存位置", "固定下载储存位置", 72);
  fixed_folder_box_ = new QLineEdit(settings_group_);
  fixed_folder_box_->setObjectName("编辑框_固定下载储存位置");
  fixed_folder_box_->setReadOnly(true);
  fixed_folder_box_->setGeometry(144, 74, 408, 20);
  choose_folder_button_ = new QPushButton(QString::fromUtf8("选择"), settings_group_);
  choose_folder_button_->setObjectName("按钮_选择固定下载储存位置");
  choose_folder_button_->setGeometry(560, 72, 56, 24);
  tabs_->addTab(settings_page, QString::fromUtf8("设置"));

  connect(profile_button_, &QPushButton::clicked, this, [] { open_in_browser(qs(disk::profile_page_url())); });
  connect(recycle_button_, &QPushButton::clicked, this, [] { open_in_browser(qs(disk::recycle_page_url())); });
  connect(release_button_, &QPushButton::clicked, this,
          [] { open_in_browser(qs(net::share_host() + kReleasePath)); });
  connect(log_out_button_, &QPushButton::clicked, this, &MainWindow::log_out_requested);
  connect(resume_box_, &QCheckBox::clicked, this, [this](bool on) {
    settings().resume_enabled = on;
    save_settings();
  });
  connect(smart_ke_box_, &QCheckBox::clicked, this, [this](bool on) {
    settings().smart_ke_enabled = on;
    save_settings();
  });
  connect(fixed_dir_box_, &QCheckBox::clicked, this, [this] { apply_fixed_folder_rule(); });
  connect(choose_folder_button_, &QPushButton::clicked, this, [this] { choose_fixed_folder(); });
}

void MainWindow::build_menus() {
  disk_menu_ = new QMenu(this);
  disk_menu_->setObjectName("网盘菜单");
  for (const char* item : {"新建文件夹", "删除文件夹", "-", "修改文件备注", "设置文件密码", "上传文件", "下载文件", "-",
                           "删除文件", "-", "分享文件"}) {
    if (std::string(item) == "-") disk_menu_->addSeparator();
    else add_item(disk_menu_, item)->setEnabled(false);  // enabled as their commands arrive
  }

  downloading_menu_ = new QMenu(this);
  downloading_menu_->setObjectName("正在下载菜单");
  for (const char* item :
       {"新建任务", "-", "开始任务", "停止任务", "删除任务", "-", "复制文件外链", "复制文件直链", "打开文件位置"}) {
    if (std::string(item) == "-") downloading_menu_->addSeparator();
    else add_item(downloading_menu_, item)->setEnabled(false);
  }
  completed_menu_ = new QMenu(this);
  completed_menu_->setObjectName("下载完成菜单");
  for (const char* item : {"打开文件", "-", "删除文件", "清空文件", "-", "下载文件", "复制文件外链", "复制文件直链",
                           "打开文件位置"}) {
    if (std::string(item) == "-") completed_menu_->addSeparator();
    else add_item(completed_menu_, item)->setEnabled(false);
  }
  connect(download_list_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { downloading_menu_->popup(download_list_->viewport()->mapToGlobal(at)); });
  connect(completed_list_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { completed_menu_->popup(completed_list_->viewport()->mapToGlobal(at)); });

  tray_menu_ = new QMenu(this);
  tray_menu_->setObjectName("托盘菜单");
  add_item(tray_menu_, "新建任务")->setEnabled(false);
  tray_menu_->addSeparator();
  connect(add_item(tray_menu_, "打开云盘"), &QAction::triggered, this, &MainWindow::show_main_window);
  connect(add_item(tray_menu_, "退出云盘"), &QAction::triggered, this, &MainWindow::exit_requested);
}

void MainWindow::build_tray() {
  if (!tray_available || !tray_available()) return;  // then the close box ends the program
  tray_ = new QSystemTrayIcon(app_icon(), this);
  tray_->setObjectName("托盘图标");
  // The tray keeps at most 62 bytes of a tip, so a long account cuts the credit short.
  Text tip = Text(kCaption) + "\r\n用户:"_t + shell::account_name() + "\r\nQuarrow团队出品"_t;
  size_t cut = 0;
  for (size_t i = 0; i < tip.size() && i < 62;) {
    size_t n = static_cast<unsigned char>(tip[i]) >= 0x80 ? 2 : 1;
    if (i + n > 62) break;
    i += n;
    cut = i;
  }
  tray_->setToolTip(qs(util::replace_all(tip.substr(0, cut), "\r\n", "\n")));
  tray_->setContextMenu(tray_menu_);
  connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) show_main_window();
  });
  tray_->show();
}

void MainWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!activated_) {
    activated_ = true;
    QTimer::singleShot(0, this, [this] { first_activation(); });
  }
}

void MainWindow::first_activation() {
  setUpdatesEnabled(false);
  disk_browser_->show_folder("-1");
  restore_settings();
  if (on_first_activation) on_first_activation();
  set_tab_captions();
  setUpdatesEnabled(true);
  first_activation_ran_ = true;
}

void MainWindow::set_tab_captions() {
  tabs_->setUpdatesEnabled(false);
  tabs_->setTabText(1, QString::fromUtf8("下载列表") + QString::number(download_list_->topLevelItemCount()));
  tabs_->setTabText(2, QString::fromUtf8("下载完成") + QString::number(completed_list_->topLevelItemCount()));
  tabs_->setUpdatesEnabled(true);
}

void MainWindow::show_main_window() {
  if (isMinimized()) showNormal();
  if (!isVisible()) show();
}

void MainWindow::show_balloon_tip(int x, int y, const QString& text) {
  if (x == 0 && y == 0) {
    QRect frame = frameGeometry();
    x = frame.left() + frame.width() / 2 - 100;
    y = frame.top() + frame.height() / 2 + 100;
  }
  balloon_->show_at(x, y, text);
}

QString MainWindow::window_position_text() const {
  int state = isMaximized() ? 3 : (isMinimized() ? 2 : 1);
  QRect g = geometry();
  return QString("%1,%2,%3,%4,%5").arg(g.x()).arg(g.y()).arg(g.width()).arg(g.height()).arg(state);
}

void MainWindow::save_settings() {
  shell::config_write(kSettingsSection, "选择框_智能处理ke扩展名"_t, truth(settings().smart_ke_enabled));
  shell::config_write(kSettingsSection, "选择框_启动断点续载"_t, truth(settings().resume_enabled));
  shell::config_write(kSettingsSection, "选择框_固定下载储存位置"_t, truth(settings().fixed_dir_enabled));
  shell::config_write(kSettingsSection, "编辑框_固定下载储存位置"_t, tx(fixed_folder_box_->text()));
  shell::config_write(kConfigSection, kWindowPositionKey, tx(window_position_text()));
}

void MainWindow::restore_settings() {
  struct Box {
    QCheckBox* box;
    std::atomic<int>& setting;
    const char* key;
  };
  Box boxes[] = {{resume_box_, settings().resume_enabled, "选择框_启动断点续载"},
                 {smart_ke_box_, settings().smart_ke_enabled, "选择框_智能处理ke扩展名"},
                 {fixed_dir_box_, settings().fixed_dir_enabled, "选择框_固定下载储存位置"}};
  for (Box& b : boxes) {
    Text value = shell::config_read(kSettingsSection, util::utf8_to_gbk(b.key), truth(b.box->isChecked()));
    if (value == "真"_t) b.setting = 1;
    b.box->setChecked(b.setting != 0);
  }
  fixed_folder_box_->setText(
      qs(shell::config_read(kSettingsSection, "编辑框_固定下载储存位置"_t, shell::default_download_dir())));

  // Each field is read for its leading integer, as a hand-edited "10, 20" still means 20.
  std::vector<Text> fields = util::split_text(shell::config_read(kConfigSection, kWindowPositionKey,
                                                                 tx(window_position_text())), ",");
  if (fields.size() != 5) return;
  auto field = [&](int i) { return static_cast<int>(util::text_to_int(fields[i])); };
  if (field(4) == 3) {
    shell::maximize_window(this);
  } else {
    setGeometry(field(0), field(1), field(2), field(3));
  }
}

void MainWindow::apply_fixed_folder_rule() {
  if (fixed_folder_box_->text().isEmpty()) {
    fixed_folder_box_->setText(qs(shell::default_download_dir()));
    util::ensure_folder(shell::default_download_dir());
  }
  settings().fixed_dir_enabled = fixed_dir_box_->isChecked();
  save_settings();
}

void MainWindow::choose_fixed_folder() {
  QString chosen = folder_picker ? folder_picker() : QString();
  if (chosen.isEmpty()) return;
  Text folder = util::with_trailing_slash(tx(chosen));
  if (util::is_folder(folder)) fixed_folder_box_->setText(qs(folder));
  else show_message(this, QString::fromUtf8("该位置不能进行保存\r\n") + qs(folder));
}

void MainWindow::exit_save() {
  closing_emitted_ = true;
  emit closing();
  show_main_window();
  save_settings();
  if (on_exit_save) on_exit_save();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  if (tray_) hide();
  else emit exit_requested();  // no tray to come back from
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  lay_out();
}

void MainWindow::lay_out() {
  const int w = width(), h = height();
  setUpdatesEnabled(false);
  tabs_->setGeometry(0, 0, w + 3, h + 1);
  path_bar_->setGeometry(0, 20, w, path_bar_->height());
  disk_list_->setGeometry(0, 40, w, h - 40);
  status_bar_->setGeometry(0, 20, w, status_bar_->height());
  status_bar_->set_part_widths({80, w - 350, 150, 100});
  for (QTreeWidget* list : {download_list_, completed_list_}) {
    list->setGeometry(0, 40, w, h - 40);
    const int widths[] = {80, w - 302, 100, 100, 0, 0, 0};
    for (int i = 0; i < 7; ++i) list->setColumnWidth(i, std::max(0, widths[i]));
  }
  log_out_button_->move(w - 100, log_out_button_->y());
  account_box_->move(w - 120 - account_box_->width(), account_box_->y());
  settings_group_->setGeometry(8, settings_group_->y(), w - 16, settings_group_->height());
  setUpdatesEnabled(true);
}

}  // namespace quarrow::ui
