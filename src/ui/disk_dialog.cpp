#include "ui/disk_dialog.h"

#include <QApplication>

#include "disk/disk_browser.h"
#include "ui/main_window.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"
#include "util/text_codec.h"

namespace quarrow::ui {

TaskAnswer read_answer(const Text& raw) {
  TaskAnswer answer;
  answer.raw = raw;
  answer.answered = answer.doc.parse(raw);
  return answer;
}

QString unreachable_text() { return QString::fromUtf8("无法连接服务器，请检查网络后重试。"); }

ShareInfo read_share_info(const TaskAnswer& answer, bool folder, size_t min_key_length) {
  return read_share_info(answer.doc, answer.answered, folder, min_key_length);
}

DiskDialog::DiskDialog(MainWindow* main, const char* name, const char* caption, int width, int height)
    : QDialog(main), main_(main) {
  setObjectName(name);
  setWindowTitle(QString::fromUtf8(caption));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowModality(Qt::ApplicationModal);
  setFixedSize(width, height);
  move(50, 50);
}

DiskDialog::~DiskDialog() { cancel_->store(true); }

QLabel* DiskDialog::add_label(const char* name, const char* text, int x, int y, int w, int h) {
  auto* label = new QLabel(QString::fromUtf8(text), this);
  label->setObjectName(QString::fromUtf8(name));
  label->setGeometry(x, y, w, h);
  return label;
}

QPushButton* DiskDialog::add_save_button() {
  save_button_ = new QPushButton(QString::fromUtf8("保存"), this);
  save_button_->setObjectName("按钮_保存");
  save_button_->setGeometry(216, 224, 104, 32);
  return save_button_;
}

void DiskDialog::run_save(std::function<Text()> request, std::function<void(const TaskAnswer&)> done) {
  setEnabled(false);
  QApplication::setOverrideCursor(Qt::BusyCursor);
  run_in_background(
      this, cancel_, [request] { return request(); },
      [this, done](Text raw) {
        QApplication::restoreOverrideCursor();
        setEnabled(true);
        TaskAnswer answer = read_answer(raw);
        // No answer, or no JSON: the change was not made, whatever a check of
        // "zt" would say, and the user's input stays.
        if (!answer.answered) {
          show_message(this, unreachable_text());
          return;
        }
        done(answer);
      });
}

void DiskDialog::confirm(const TaskAnswer& answer, bool refresh) {
  // The service's message, when it sent one; otherwise the whole answer.
  Text info = answer.text("info");
  Text shown = answer.doc.type_of("info") == util::JsonDoc::kString && !info.empty() ? info
                                                                                   : util::unicode_unescape(answer.raw);
  main_->show_balloon_tip(0, 0, qs(shown));
  if (refresh) main_->disk_browser()->refresh();
  accept();
}

void DiskDialog::refuse(const TaskAnswer& answer) { show_message(this, qs(answer.text("info"))); }

void fetch_for_dialog(MainWindow* main, std::function<Text()> request, std::function<void(const TaskAnswer&)> done) {
  QApplication::setOverrideCursor(Qt::BusyCursor);
  main->setEnabled(false);
  auto cancel = make_cancel_flag();
  run_in_background(
      main, cancel, [request] { return request(); },
      [main, done](Text raw) {
        QApplication::restoreOverrideCursor();
        main->setEnabled(true);
        done(read_answer(raw));
      });
}

}  // namespace quarrow::ui
