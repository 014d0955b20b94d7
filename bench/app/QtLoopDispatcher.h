#pragma once
// The owner thread's queue on Qt's event loop, for programs that run controllers beside Qt
// windows without the desktop shell.
#include <map>
#include <memory>

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include "platform/Dispatcher.h"

namespace ocvbench {

class QtLoopDispatcher final : public ocv::Dispatcher {
public:
    void Post(Task task) override {
        QMetaObject::invokeMethod(qApp, std::move(task), Qt::QueuedConnection);
    }
    void StartTimer(int id, unsigned intervalMs, Task callback) override {
        KillTimer(id);
        auto* t = new QTimer;
        t->setInterval(static_cast<int>(intervalMs));
        QObject::connect(t, &QTimer::timeout, std::move(callback));
        t->start();
        timers_[id].reset(t);
    }
    void KillTimer(int id) override { timers_.erase(id); }
    void ProcessPending(int maxWaitMs) override {
        QCoreApplication::processEvents(QEventLoop::AllEvents, maxWaitMs);
    }
    bool IsOwnerThread() const override {
        return QThread::currentThread() == QCoreApplication::instance()->thread();
    }

private:
    std::map<int, std::unique_ptr<QTimer>> timers_;
};

}  // namespace ocvbench
