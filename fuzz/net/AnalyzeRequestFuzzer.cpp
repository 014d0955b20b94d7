// Request lines of any bytes through the parser and the dispatch table.
#include <cstddef>
#include <cstdint>
#include <string>

#include "net/HttpRequest.h"
#include "net/WebRouter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string line(reinterpret_cast<const char*>(data), size);
    ocv::ParsedRequest request;
    if (!ocv::ParseRequestLines(nullptr, {line}, request)) return 0;
    ocv::WebServerSetting ws;
    ws.enable = 1;
    ws.imodeEnable = 1;
    ws.imodeEnablePassword = size % 2;
    ws.imodePassword = "pw";
    ocv::WebRoute route = ocv::RouteRequest(
        nullptr, ws, [](const std::string& s) { return s == "ab1200"; }, request);
    if (route.size.size() > ocv::kSizeTextLimit) __builtin_trap();
    if (route.quality < 1 || route.quality > 100) __builtin_trap();
    if (request.names.size() != request.values.size()) __builtin_trap();
    return 0;
}
