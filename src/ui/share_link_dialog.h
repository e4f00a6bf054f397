// ShareLinkDialog: the share link of a file or folder, to copy from.
#pragma once

#include <QPlainTextEdit>

#include "ui/disk_dialog.h"

namespace quarrow::ui {

class ShareLinkDialog : public DiskDialog {
  Q_OBJECT
 public:
  ShareLinkDialog(MainWindow* main, bool folder, const QString& share_text);
};

// Opens the dialog with the target's share text, or tells why not.
void open_share_link_dialog(MainWindow* main, const DialogTarget& target);

// The share texts: a file's link, a folder's link, with the password when it is on.
Text file_share_text(const Text& base, const Text& key, bool password_on, const Text& password);
Text folder_share_text(const Text& url, bool password_on, const Text& password);

}  // namespace quarrow::ui
