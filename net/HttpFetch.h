#pragma once
// One synchronous HTTP exchange through libcurl, bounded in time and size, that a stop event
// interrupts at once.
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/NamedEvent.h"

namespace ocv {

struct HttpExchange {
    bool completed = false;  // a response was received in full (any status)
    long status = 0;         // HTTP status code, 0 without a response
    std::string body;        // response body, at most the size limit
    std::string error;       // why the exchange did not complete
};

struct HttpRequestSpec {
    std::string url;
    std::string method = "GET";  // "GET" or "POST"
    std::string body;            // POST body
    std::vector<std::string> headers;
    int timeoutMs = 10000;             // whole exchange
    size_t maxBody = 1024 * 1024;      // a longer response fails
    std::shared_ptr<NamedEvent> stop;  // optional
};

HttpExchange PerformHttp(const HttpRequestSpec& wanted);

// Resolves `reference` against `base` as a relative URL reference; "" when either is unusable.
std::string CombineUrl(const std::string& base, const std::string& reference);

}  // namespace ocv
