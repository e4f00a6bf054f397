// What the program asks of the desktop: the browser, the file manager and the
// clipboard. Tests replace the hooks to see what would have been opened.
#pragma once

#include <QString>

#include <functional>

namespace quarrow::ui {

void open_in_browser(const QString& url);
// Opens a file with its default application.
void open_file(const QString& path);
void explore_folder(const QString& folder);
// Shows the item selected in its folder (the file manager's "show items" over
// D-Bus where the desktop has one, else the folder); false when the path does
// not exist or nothing could be opened.
bool reveal_in_folder(const QString& path);
void set_clipboard_text(const QString& text);
QString clipboard_text();

struct DesktopHooks {
  // Receives every URL the program would open ("file://…" for files and folders).
  std::function<bool(const QString& url)> open_url;
};
DesktopHooks& desktop_hooks();

}  // namespace quarrow::ui
