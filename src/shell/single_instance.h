// One instance per user: a lock that the system drops with the process (even
// after a crash), and a local socket over which a second start asks the first
// to bring its window to the front.
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

namespace quarrow::shell {

class SingleInstance : public QObject {
  Q_OBJECT
 public:
  explicit SingleInstance(const QString& identifier, QObject* parent = nullptr);
  ~SingleInstance() override;

  // True for the first instance, which now holds the lock and listens. A second
  // instance asks the first to activate its window and gets false.
  bool ensure_single_instance();

 signals:
  void activation_requested();

 private:
  QString lock_path_;
  QString socket_path_;
  int lock_fd_ = -1;
  QLocalServer server_;
};

}  // namespace quarrow::shell
