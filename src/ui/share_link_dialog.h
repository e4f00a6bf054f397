// ShareLinkDialog: the share link of a file or folder, to copy from.
#pragma once

#include <QPlainTextEdit>

#include "ui/disk_dialog.h"
#include "ui/share_texts.h"

namespace quarrow::ui {

class ShareLinkDialog : public DiskDialog {
  Q_OBJECT
 public:
  ShareLinkDialog(MainWindow* main, bool folder, const QString& share_text);
};

// Opens the dialog with the target's share text, or tells why not.
void open_share_link_dialog(MainWindow* main, const DialogTarget& target);

}  // namespace quarrow::ui
