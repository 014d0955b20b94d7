#pragma once
// Readiness and liveness notices to a service manager that started the program with
// NOTIFY_SOCKET set (systemd's Type=notify protocol: one datagram of "KEY=VALUE" lines to a
// Unix socket). Without NOTIFY_SOCKET every call does nothing, so the same binary runs as a
// plain process, a simple service or a notify service.
#include <string>

namespace ocv {

// Sends `state` ("READY=1", "STOPPING=1", "RELOADING=1", "WATCHDOG=1", "STATUS=...", several
// separated by newlines). True when a service manager received it.
bool NotifyService(const std::string& state);

// Half the watchdog interval the service manager asked for (WATCHDOG_USEC, for this process
// when WATCHDOG_PID names it), in milliseconds; 0 when no watchdog is set.
unsigned ServiceWatchdogIntervalMs();

}  // namespace ocv
