#pragma once
// The sockets a library opened for one conversation, cut when the stop event is set. Some
// library steps block inside a single call (libcurl 7.88 runs the TLS handshake of an FTP
// connection to its end before it returns); shutting the socket down makes such a wait end at
// once with an error instead of lasting until the library's own time-out.
#include <mutex>
#include <set>
#include <thread>

#include "platform/NamedEvent.h"

namespace ocv {

class StopSockets {
public:
    StopSockets() = default;
    ~StopSockets();
    StopSockets(const StopSockets&) = delete;
    StopSockets& operator=(const StopSockets&) = delete;

    // Opens a socket (close-on-exec) and keeps it; -1 on failure, with errno set.
    int Open(int family, int type, int protocol);
    // Forgets (when kept) and closes a socket.
    void Close(int fd);

    // From Watch until Unwatch, a set stop event shuts every kept socket down (both directions).
    // Nothing without a stop event.
    void Watch(const NamedEvent* stop);
    void Unwatch();

private:
    void Cut();

    std::mutex mutex_;
    std::set<int> sockets_;
    std::thread watcher_;
    int wakeFd_ = -1;
};

}  // namespace ocv
