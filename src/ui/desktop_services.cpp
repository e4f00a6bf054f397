#include "ui/desktop_services.h"

#include <QClipboard>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QUrl>

namespace quarrow::ui {
namespace {

bool open_url(const QUrl& url) {
  if (desktop_hooks().open_url) return desktop_hooks().open_url(url.toString());
  return QDesktopServices::openUrl(url);
}

}  // namespace

DesktopHooks& desktop_hooks() {
  static DesktopHooks hooks;
  return hooks;
}

void open_in_browser(const QString& url) { open_url(QUrl(url)); }
void open_file(const QString& path) { open_url(QUrl::fromLocalFile(path)); }
void explore_folder(const QString& folder) { open_url(QUrl::fromLocalFile(folder)); }

bool reveal_in_folder(const QString& path) {
  QFileInfo info(path);
  if (!info.exists()) return false;
  QUrl item = QUrl::fromLocalFile(info.absoluteFilePath());
  if (desktop_hooks().open_url) return desktop_hooks().open_url("reveal:" + item.toString());
  QDBusConnection bus = QDBusConnection::sessionBus();
  const QString service = "org.freedesktop.FileManager1";
  if (bus.isConnected() && bus.interface() && bus.interface()->isServiceRegistered(service)) {
    QDBusMessage call = QDBusMessage::createMethodCall(service, "/org/freedesktop/FileManager1", service, "ShowItems");
    call << QStringList{item.toString()} << QString();
    if (bus.call(call, QDBus::Block, 3000).type() == QDBusMessage::ReplyMessage) return true;
  }
  return QDesktopServices::openUrl(QUrl::fromLocalFile(info.absolutePath()));
}

void set_clipboard_text(const QString& text) { QGuiApplication::clipboard()->setText(text); }
QString clipboard_text() { return QGuiApplication::clipboard()->text(); }

}  // namespace quarrow::ui
