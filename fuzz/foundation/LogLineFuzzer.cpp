// Arbitrary bytes as a line of the log file, and as a whole log file: parsed into entries whose
// export lines are well formed, never read past.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "foundation/LogEntry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    ocv::LogEntry entry;
    if (ocv::ParseLogLine(text, entry)) {
        std::string line = ocv::FormatExportLine(entry);
        if (line.size() < 2 || line.compare(line.size() - 2, 2, "\r\n") != 0) abort();
        if (entry.level < 0 || entry.level > 3) abort();
    }
    static std::string path = "/tmp/ocv-logfuzz-" + std::to_string(getpid()) + ".txt";
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
        for (const auto& e : ocv::ReadLogFile(path))
            if (e.text.size() >= 1024 || e.name.size() >= 1024) abort();
    }
    return 0;
}
