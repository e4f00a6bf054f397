// Helpers for tests of the windows: waiting on the event loop, finding
// widgets by name, and answering message boxes as they come.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

namespace quarrow::testing {

inline bool wait_for(const std::function<bool()>& condition, int ms = 10000) {
  return QTest::qWaitFor(condition, ms);
}

template <typename T>
T* find_widget(const char* name) {
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (top->objectName() == QString::fromUtf8(name))
      if (auto* w = qobject_cast<T*>(top)) return w;
    if (auto* w = top->findChild<T*>(QString::fromUtf8(name))) return w;
  }
  return nullptr;
}

struct SeenMessage {
  std::string title;
  std::string text;
};

// Answers every message box that appears while it lives, with the button whose
// text or role is given (the first button when none matches), and keeps what
// each one said.
class MessageAnswerer {
 public:
  explicit MessageAnswerer(QMessageBox::StandardButton answer = QMessageBox::Ok) : answer_(answer) {
    timer_.setInterval(20);
    QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
    timer_.start();
  }
  void answer_with(QMessageBox::StandardButton answer) { answer_ = answer; }
  const std::vector<SeenMessage>& seen() const { return seen_; }
  bool wait_for_message(size_t count = 1, int ms = 10000) {
    return QTest::qWaitFor([&] { return seen_.size() >= count; }, ms);
  }

 private:
  void poll() {
    for (QWidget* top : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(top);
      if (!box || !box->isVisible() || box->property("answered").toBool()) continue;
      box->setProperty("answered", true);
      seen_.push_back({box->windowTitle().toStdString(), box->text().toStdString()});
      QAbstractButton* button = box->button(answer_);
      if (!button && !box->buttons().isEmpty()) button = box->buttons().first();
      if (button) QTimer::singleShot(0, button, &QAbstractButton::click);
    }
  }

  QMessageBox::StandardButton answer_;
  QTimer timer_;
  std::vector<SeenMessage> seen_;
};

}  // namespace quarrow::testing
