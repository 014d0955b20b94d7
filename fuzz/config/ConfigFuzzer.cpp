// Loads arbitrary bytes as the configuration document, as a device-information file and as a
// capture-setting file, then saves what was loaded and loads it again.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "config/ConfigDocument.h"
#include "config/ConfigFiles.h"
#include "config/XmlMeta.h"
#include "foundation/Logger.h"
#include "platform/Files.h"

namespace {

struct Workspace {
    Workspace() {
        char tmpl[] = "/tmp/ocvfuzzXXXXXX";
        dir = ::mkdtemp(tmpl);
        log.SetPath(ocv::JoinPath(dir, "fuzz.log"));
    }
    std::string dir;
    ocv::CLogger log;
};

Workspace& Ws() {
    static Workspace ws;
    return ws;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Workspace& ws = Ws();
    // Keep the log file from growing without bound over millions of runs.
    ocv::DeleteFile(ocv::JoinPath(ws.dir, "fuzz.log"));
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string input = ocv::JoinPath(ws.dir, "ocv.xml");
    if (!ocv::WriteFileAtomically(input, bytes)) std::abort();

    // The document is read the way LoadConfiguration reads it, but without its deletion of the
    // log file that a fuzzed "LogFile Path" would name.
    ocv::ConfigDocument doc(ws.dir);
    if (auto parsed = ocv::LoadXmlFile(input, &ws.log)) {
        doc.ReadDocument(*parsed, ws.log);
        // Whatever loaded must save and load back to the same records.
        if (!doc.SaveConfiguration(ws.log)) std::abort();
        auto saved = ocv::LoadXmlFile(input, &ws.log);
        if (!saved) std::abort();
        ocv::ConfigDocument again(ws.dir);
        again.ReadDocument(*saved, ws.log);
        if (again.cameras.size() != doc.cameras.size()) std::abort();
        for (size_t i = 0; i < doc.cameras.size(); ++i)
            if (again.cameras[i].conditions != doc.cameras[i].conditions) std::abort();
        if (!(again.system == doc.system)) std::abort();
    }

    if (!ocv::WriteFileAtomically(input, bytes)) std::abort();
    ocv::DeviceInfo info;
    ocv::LoadDeviceInfoFile(input, info, ws.log);
    ocv::OcvParam param = ocv::MakeDefaultOcvParam(ws.dir);
    if (ocv::LoadCaptureSettingFile(input, param, ws.log)) {
        const std::string cap = ocv::JoinPath(ws.dir, "a.cap");
        if (!ocv::SaveCaptureSettingFile(cap, param, ws.log)) std::abort();
        ocv::OcvParam back = ocv::MakeDefaultOcvParam(ws.dir);
        if (!ocv::LoadCaptureSettingFile(cap, back, ws.log)) std::abort();
        if (back.name != param.name || back.webServer != param.webServer) std::abort();
    }
    return 0;
}
