#pragma once
// The controller's state flags, one bit each.
#include <cstdint>

namespace ocv {

constexpr uint32_t STATE_CONNECTED = 0x002;
constexpr uint32_t STATE_VISTREL = 0x004;
constexpr uint32_t STATE_VISTREL_BUSY = 0x008;
constexpr uint32_t STATE_MOTION = 0x010;
constexpr uint32_t STATE_MOTION_DETECTED = 0x020;
constexpr uint32_t STATE_SNAPSHOT = 0x040;
constexpr uint32_t STATE_SNAPSHOT_BUSY = 0x080;
constexpr uint32_t STATE_WEBSERVER = 0x100;
constexpr uint32_t STATE_SCHEDULE = 0x200;
constexpr uint32_t STATE_STOPPING = 0x400;
constexpr uint32_t STATE_RECORDING = 0x800;
// Every run and busy bit of the worker threads.
constexpr uint32_t STATE_ALL_WORKERS = 0x9FC;

// A camera monitors while its Vistrel, motion or web-server thread runs.
constexpr bool IsMonitoring(uint32_t flags) {
    return (flags & (STATE_VISTREL | STATE_MOTION | STATE_WEBSERVER)) != 0;
}

}  // namespace ocv
