// Work off the UI thread: the network requests of a window run on a pool
// thread, and their result comes back to the UI thread, to a callback that only
// runs while the window still exists.
#pragma once

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QThreadPool>

#include <atomic>
#include <memory>
#include <utility>

#include "net/http_client.h"

namespace quarrow::ui {

// Set when the owning window goes away; the work's requests then end at once.
using CancelFlag = std::shared_ptr<std::atomic<bool>>;
inline CancelFlag make_cancel_flag() { return std::make_shared<std::atomic<bool>>(false); }

// Runs `work` on a pool thread, then `done(result)` on the UI thread if
// `context` still exists.
template <typename Work, typename Done>
void run_in_background(QObject* context, CancelFlag cancel, Work work, Done done) {
  QPointer<QObject> guard(context);
  QThreadPool::globalInstance()->start([guard, cancel, work = std::move(work), done = std::move(done)]() mutable {
    net::CancelScope scope(cancel.get());
    auto result = work();
    // qApp lives as long as the program; the guard is read on the UI thread.
    QMetaObject::invokeMethod(
        qApp,
        [guard, cancel, done = std::move(done), result = std::move(result)]() mutable {
          if (guard && !cancel->load()) done(std::move(result));
        },
        Qt::QueuedConnection);
  });
}

// Runs a function on the UI thread and waits for it (for workers that must
// read or change widgets).
template <typename F>
auto on_ui_thread(F f) -> decltype(f()) {
  if (QThread::currentThread() == qApp->thread()) return f();
  using R = decltype(f());
  if constexpr (std::is_void_v<R>) {
    QMetaObject::invokeMethod(qApp, std::move(f), Qt::BlockingQueuedConnection);
  } else {
    R result{};
    QMetaObject::invokeMethod(qApp, [&] { result = f(); }, Qt::BlockingQueuedConnection);
    return result;
  }
}

}  // namespace quarrow::ui
