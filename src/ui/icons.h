// Pictures: file-type icons of the disk list (from the desktop theme, with
// built-in fallbacks for every index) and the program's own icon.
#pragma once

#include <QIcon>

namespace quarrow::ui {

// The icon of a disk-list icon index (0 folder; see util::file_type_icon).
QIcon file_type_icon_picture(int index);
QIcon app_icon();

}  // namespace quarrow::ui
