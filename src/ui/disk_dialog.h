// What the file and folder dialogs share: modal, owned by MainWindow at (50, 50),
// a save that runs off the UI thread, and the ways to answer (a balloon tip on
// MainWindow, a message box, the refresh of the folder shown).
#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>

#include <functional>

#include "ui/background.h"
#include "ui/share_texts.h"
#include "util/json_doc.h"
#include "util/text.h"

namespace quarrow::ui {

class MainWindow;

// The disk-list row a dialog works on.
struct DialogTarget {
  Text id;
  QString title;
  bool folder = false;
};

// An answer of the task endpoint as the dialogs read it.
struct TaskAnswer {
  Text raw;              // as it came
  util::JsonDoc doc;     // parsed as it came
  bool answered = false; // a JSON text came back
  Text text(const Text& path) const { return doc.get_text(path); }
  // The JSON form of "zt": "1" for a number, "\"1\"" for a string.
  Text zt_json() const { return doc.get_object("zt").to_text(); }
};
TaskAnswer read_answer(const Text& raw);

// What a user is told when no answer came at all.
QString unreachable_text();

// The share facts of the answer (see share_texts.h).
ShareInfo read_share_info(const TaskAnswer& answer, bool folder, size_t min_key_length);

class DiskDialog : public QDialog {
  Q_OBJECT
 public:
  DiskDialog(MainWindow* main, const char* name, const char* caption, int width, int height);
  ~DiskDialog() override;

 protected:
  QLabel* add_label(const char* name, const char* text, int x, int y, int w, int h);
  QPushButton* add_save_button();
  // Runs the request off the UI thread with the dialog's controls disabled, then
  // `done` with the answer.
  void run_save(std::function<Text()> request, std::function<void(const TaskAnswer&)> done);
  // A change made: the answer's message in MainWindow's balloon tip, then close.
  void confirm(const TaskAnswer& answer, bool refresh);
  void refuse(const TaskAnswer& answer);

  MainWindow* main_;
  QPushButton* save_button_ = nullptr;
  CancelFlag cancel_ = make_cancel_flag();
};

// Runs a dialog's opening request off the UI thread (busy cursor on MainWindow),
// then `done` with the answer on the UI thread.
void fetch_for_dialog(MainWindow* main, std::function<Text()> request, std::function<void(const TaskAnswer&)> done);

}  // namespace quarrow::ui
