#include "upload/upload_commands.h"

#include <QAction>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMenu>

#include "ui/main_window.h"
#include "upload/upload_window.h"

namespace quarrow::upload {
namespace {

// Files dropped on the disk list join the upload window's queue, opening it
// first when it is not open.
class DiskListDropTarget : public QObject {
 public:
  explicit DiskListDropTarget(ui::MainWindow* window) : QObject(window), window_(window) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::DragEnter:
      case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (!holds_local_files(drag->mimeData())) return false;
        drag->acceptProposedAction();
        return true;
      }
      case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        Text paths = dropped_paths(drop->mimeData());
        if (paths.empty()) return false;
        drop->acceptProposedAction();
        UploadWindow* upload = UploadWindow::current();
        if (!upload) upload = UploadWindow::open(window_);
        upload->add_upload_files(paths);
        return true;
      }
      default:
        return QObject::eventFilter(watched, event);
    }
  }

 private:
  ui::MainWindow* window_;
};

}  // namespace

void install_upload_commands(ui::MainWindow& window) {
  ui::MainWindow* main_window = &window;
  for (QAction* action : window.disk_menu()->actions()) {
    if (action->objectName() != QString::fromUtf8("上传文件")) continue;
    action->setEnabled(true);
    QObject::connect(action, &QAction::triggered, main_window, [main_window] { UploadWindow::open(main_window); });
  }
  QWidget* viewport = window.disk_list()->viewport();
  window.disk_list()->setAcceptDrops(true);
  viewport->setAcceptDrops(true);
  viewport->installEventFilter(new DiskListDropTarget(main_window));
}

}  // namespace quarrow::upload
