// Loading and saving a configuration document with 64 cameras. Baseline: reading the same file's
// bytes and parsing them into a DOM, the part of a load that does not depend on our code.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "config/ConfigDocument.h"
#include "config/XmlMeta.h"
#include "foundation/Logger.h"
#include "platform/Files.h"

namespace {

struct Fixture {
    Fixture() {
        char tmpl[] = "/tmp/ocvbenchXXXXXX";
        dir = ::mkdtemp(tmpl);
        ocv::ConfigDocument doc(dir);
        doc.system.deleteLog = 0;
        for (int i = 0; i < 64; ++i) {
            ocv::CameraConfig c = doc.NewCamera();
            c.param.name = "Camera " + std::to_string(i + 1);
            c.param.webServer.port = 8080 + i;
            c.param.deviceInfo.deviceType = ocv::DEVICE_AXIS;
            c.param.deviceInfo.deviceName = "http://127.0.0.1:" + std::to_string(9000 + i) + "/";
            c.param.vistrel.smtp.mailBody = "Line one\r\nLine two\r\n";
            doc.cameras.push_back(c);
        }
        ocv::CLogger log;
        if (!doc.SaveConfiguration(log)) std::abort();
        std::ifstream in(doc.Path(), std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        bytes = ss.str();
    }
    ~Fixture() { ocv::RemoveDirectoryTree(dir); }
    std::string dir;
    std::string bytes;
};

Fixture& F() {
    static Fixture f;
    return f;
}

void BM_ParseDomOnly(benchmark::State& state) {
    Fixture& f = F();
    for (auto _ : state) {
        std::string reason;
        auto doc = ocv::ParseXmlBuffer(f.bytes.data(), f.bytes.size(), reason);
        benchmark::DoNotOptimize(doc);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(f.bytes.size()));
}
BENCHMARK(BM_ParseDomOnly)->Unit(benchmark::kMillisecond);

void BM_LoadConfiguration64(benchmark::State& state) {
    Fixture& f = F();
    ocv::CLogger log;
    for (auto _ : state) {
        ocv::ConfigDocument doc(f.dir);
        if (!doc.LoadConfiguration(log) || doc.cameras.size() != 64) state.SkipWithError("load");
        benchmark::DoNotOptimize(doc.cameras.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(f.bytes.size()));
}
BENCHMARK(BM_LoadConfiguration64)->Unit(benchmark::kMillisecond);

void BM_BuildDocument64(benchmark::State& state) {
    Fixture& f = F();
    ocv::CLogger log;
    ocv::ConfigDocument doc(f.dir);
    doc.LoadConfiguration(log);
    for (auto _ : state) {
        pugi::xml_document d;
        doc.BuildDocument(d, log);
        benchmark::DoNotOptimize(ocv::XmlToString(d));
    }
}
BENCHMARK(BM_BuildDocument64)->Unit(benchmark::kMillisecond);

void BM_SaveConfiguration64(benchmark::State& state) {
    Fixture& f = F();
    ocv::CLogger log;
    ocv::ConfigDocument doc(f.dir);
    doc.LoadConfiguration(log);
    for (auto _ : state) {
        if (!doc.SaveConfiguration(log)) state.SkipWithError("save");
    }
}
BENCHMARK(BM_SaveConfiguration64)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
