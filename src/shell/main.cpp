// quarrow: the desktop program.
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>

#include <csignal>

#include "shell/app.h"
#include "shell/single_instance.h"
#include "ui/icons.h"

namespace {

int g_signal_pipe[2] = {-1, -1};

void on_signal(int) {
  char byte = 1;
  [[maybe_unused]] ssize_t n = ::write(g_signal_pipe[1], &byte, 1);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  QApplication::setApplicationName("quarrow");
  QApplication::setWindowIcon(quarrow::ui::app_icon());

  quarrow::shell::SingleInstance instance(QString::fromUtf8("Quarrow网盘禁止重复运行标识文本"));
  if (!instance.ensure_single_instance()) return 0;

  quarrow::shell::App app;
  QObject::connect(&instance, &quarrow::shell::SingleInstance::activation_requested, &app,
                   &quarrow::shell::App::activate);
  QObject::connect(&app, &quarrow::shell::App::finished, &application, &QApplication::quit, Qt::QueuedConnection);

  // SIGTERM (a session ending) and SIGINT end the program through the same exit save.
  ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signal_pipe);
  QSocketNotifier notifier(g_signal_pipe[0], QSocketNotifier::Read);
  QObject::connect(&notifier, &QSocketNotifier::activated, &app, [&] {
    char byte;
    [[maybe_unused]] ssize_t n = ::read(g_signal_pipe[0], &byte, 1);
    app.exit_program();
  });
  std::signal(SIGTERM, on_signal);
  std::signal(SIGINT, on_signal);

  app.start();
  int status = application.exec();
  return status;
}
