// The download list and the completed list kept in the configuration file:
// restored at MainWindow's first activation, saved at its exit save, and saved
// again shortly after every change of rows, so a crash loses no queued download.
#pragma once

#include <QObject>
#include <QTimer>
#include <QTreeWidget>

namespace quarrow::ui {

// Writes every row and column of the list under section "超级列表框", key = the
// list's objectName.
void save_list(QTreeWidget* list);
// Appends one row per saved line (the list is empty when it is called).
void load_list(QTreeWidget* list);

// Saves the lists a moment after their rows change (at most a few writes a second).
class ListSaver : public QObject {
  Q_OBJECT
 public:
  ListSaver(QTreeWidget* downloads, QTreeWidget* completed, QObject* parent);
  // Starts watching (after the lists were loaded).
  void watch();
  // Writes the lists whose save is pending.
  void flush();

 private:
  void schedule(QTreeWidget* list, int delay_ms);
  struct Watched {
    QTreeWidget* list = nullptr;
    QTimer timer;
  };
  Watched downloads_, completed_;
};

}  // namespace quarrow::ui
