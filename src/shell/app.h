// The desktop program's course: the saved log-in checked at start, then
// LoginWindow or MainWindow, log-in, log-out, an expired session, and the exit.
#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

#include "ui/background.h"

namespace quarrow::ui {
class MainWindow;
}

namespace quarrow::shell {

class LoginWindow;

class App : public QObject {
  Q_OBJECT
 public:
  explicit App(QObject* parent = nullptr);
  ~App() override;

  // Resumes the saved log-in or opens LoginWindow.
  void start();
  // Brings the window of this instance to the front (a second start asked).
  void activate();
  // The exit save, then the end of the program ("退出云盘", SIGTERM, SIGINT).
  void exit_program();

  LoginWindow* login_window() const;
  ui::MainWindow* main_window() const;

  // Lets later parts wire their commands into every new MainWindow.
  std::function<void(ui::MainWindow*)> on_main_window_created;

 signals:
  // The program should end now.
  void finished();

 private:
  void show_login(const QString& message = {});
  void show_main();
  void log_out();
  void session_expired();
  void close_main_window();

  QPointer<LoginWindow> login_;
  QPointer<ui::MainWindow> main_;
  ui::CancelFlag cancel_ = ui::make_cancel_flag();
  bool finishing_ = false;
};

}  // namespace quarrow::shell
