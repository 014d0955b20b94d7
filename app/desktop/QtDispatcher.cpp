#include "app/desktop/QtDispatcher.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QThread>
#include <QTimer>

namespace ocv {

QtDispatcher::QtDispatcher(QObject* parent) : QObject(parent) {}

QtDispatcher::~QtDispatcher() {
    for (auto& [id, t] : timers_) delete t.timer;
}

void QtDispatcher::Post(Task task) {
    // A queued call lands in the event queue of this object's thread; calls made one after the
    // other are delivered in that order, whatever thread made them.
    QMetaObject::invokeMethod(
        this, [task = std::move(task)] { task(); }, Qt::QueuedConnection);
}

void QtDispatcher::StartTimer(int id, unsigned intervalMs, Task callback) {
    auto it = timers_.find(id);
    if (it == timers_.end()) {
        auto* timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [this, id] { Fire(id); });
        it = timers_.emplace(id, Timer{timer, nullptr}).first;
    }
    it->second.callback = std::make_shared<Task>(std::move(callback));
    it->second.timer->start(static_cast<int>(intervalMs));
}

void QtDispatcher::KillTimer(int id) {
    auto it = timers_.find(id);
    if (it == timers_.end()) return;
    // The timer may be the one whose callback is running: it goes once control is back.
    it->second.timer->stop();
    it->second.timer->deleteLater();
    timers_.erase(it);
}

void QtDispatcher::Fire(int id) {
    auto it = timers_.find(id);
    if (it == timers_.end()) return;
    // The callback may restart or kill its own timer; the copy keeps it alive while it runs.
    std::shared_ptr<Task> callback = it->second.callback;
    if (callback && *callback) (*callback)();
}

void QtDispatcher::ProcessPending(int maxWaitMs) {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (maxWaitMs <= 0) return;
    // Wait for the next event, but no longer than maxWaitMs: the single-shot timer wakes the
    // wait when nothing else comes.
    QTimer wake;
    wake.setSingleShot(true);
    wake.start(maxWaitMs);
    if (auto* loop = QAbstractEventDispatcher::instance())
        loop->processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool QtDispatcher::IsOwnerThread() const { return QThread::currentThread() == thread(); }

}  // namespace ocv
