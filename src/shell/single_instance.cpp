#include "shell/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>

#include "shell/run_dir.h"
#include "ui/qt_text.h"

namespace quarrow::shell {
namespace {

QString runtime_folder() {
  QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (dir.isEmpty()) dir = QDir::tempPath() + QString("/quarrow-%1").arg(::getuid());
  QDir().mkpath(dir);
  return dir;
}

}  // namespace

SingleInstance::SingleInstance(const QString& identifier, QObject* parent) : QObject(parent) {
  // A run directory given for tests or the demo is an instance scope of its own.
  QString scope = identifier;
  if (qEnvironmentVariableIsSet("QUARROW_RUN_DIR")) scope += ui::qs(run_dir());
  QString name = QCryptographicHash::hash(scope.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
  lock_path_ = runtime_folder() + "/quarrow-" + name + ".lock";
  socket_path_ = runtime_folder() + "/quarrow-" + name + ".sock";
  connect(&server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* client = server_.nextPendingConnection()) {
      connect(client, &QLocalSocket::readyRead, this, [this, client] {
        if (client->readAll().contains("activate")) emit activation_requested();
        client->disconnectFromServer();
      });
      connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
    }
  });
}

SingleInstance::~SingleInstance() {
  server_.close();
  if (lock_fd_ >= 0) ::close(lock_fd_);
}

bool SingleInstance::ensure_single_instance() {
  lock_fd_ = ::open(lock_path_.toLocal8Bit().constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (lock_fd_ >= 0 && ::flock(lock_fd_, LOCK_EX | LOCK_NB) == 0) {
    QLocalServer::removeServer(socket_path_);  // a socket left by a crashed instance
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    server_.listen(socket_path_);
    return true;
  }
  if (lock_fd_ >= 0) ::close(lock_fd_);
  lock_fd_ = -1;
  QLocalSocket socket;
  socket.connectToServer(socket_path_);
  if (socket.waitForConnected(1000)) {
    socket.write("activate\n");
    socket.waitForBytesWritten(1000);
    socket.waitForDisconnected(1000);
  }
  return false;
}

}  // namespace quarrow::shell
