// Connection bytes in chunks of varying size through the header reader, then the request parser.
#include <cstddef>
#include <cstdint>

#include "net/HttpRequest.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    // The first byte picks the chunk size, as if recv() returned that much each time.
    size_t chunk = data[0] % 64 + 1;
    const char* p = reinterpret_cast<const char*>(data + 1);
    size_t left = size - 1;
    ocv::CRequestReader reader;
    while (left > 0 && reader.State() == ocv::CRequestReader::Status::NeedMore) {
        size_t n = left < chunk ? left : chunk;
        size_t used = 0;
        reader.Feed(p, n, &used);
        if (used > n) __builtin_trap();
        p += n;
        left -= n;
    }
    if (reader.Lines().size() > ocv::CRequestReader::kMaxLines) __builtin_trap();
    for (const auto& line : reader.Lines())
        if (line.size() >= ocv::CRequestReader::kLineBuffer) __builtin_trap();
    if (reader.State() == ocv::CRequestReader::Status::Complete) {
        ocv::ParsedRequest request;
        ocv::ParseRequestLines(nullptr, reader.Lines(), request);
    }
    return 0;
}
