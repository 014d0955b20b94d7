#pragma once
// The owner thread's message loop on the Qt event loop: closures posted from any thread arrive as
// queued calls on the thread that made the dispatcher (the GUI thread), timers are QTimers.
#include <map>
#include <memory>

#include <QObject>

#include "platform/Dispatcher.h"

class QTimer;

namespace ocv {

class QtDispatcher final : public QObject, public Dispatcher {
    Q_OBJECT
public:
    explicit QtDispatcher(QObject* parent = nullptr);
    ~QtDispatcher() override;

    void Post(Task task) override;
    void StartTimer(int id, unsigned intervalMs, Task callback) override;
    void KillTimer(int id) override;
    void ProcessPending(int maxWaitMs) override;
    bool IsOwnerThread() const override;

private:
    struct Timer {
        QTimer* timer;
        std::shared_ptr<Task> callback;
    };
    void Fire(int id);

    std::map<int, Timer> timers_;
};

}  // namespace ocv
