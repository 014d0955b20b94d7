#pragma once
// The per-camera web server thread.
#include <cstdint>
#include <memory>

#include "net/WebServerHost.h"

namespace ocv {

// Runs the server until the controller's stop event is set (or a start-up step fails); owns and
// frees the block. Sets state bit 0x100 at its start and clears it at its end. Returns 0.
uint32_t WebServerThread(std::unique_ptr<WebServerBlock> block);

}  // namespace ocv
