// Feeds arbitrary bytes as the argument of --set (PATH=VALUE) and of --get to the path parser,
// the value checks and the edit of a one-camera document.
#include <cstddef>
#include <cstdint>
#include <string>

#include "config/ConfigDocument.h"
#include "config/ConfigPath.h"
#include "config/XmlMeta.h"
#include "foundation/Logger.h"

namespace {

const pugi::xml_document& Base() {
    static pugi::xml_document doc = [] {
        pugi::xml_document d;
        ocv::ConfigDocument config("/opt/ocv");
        config.cameras.push_back(config.NewCamera());
        ocv::CLogger quiet;
        config.BuildDocument(d, quiet);
        return d;
    }();
    return doc;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string arg(reinterpret_cast<const char*>(data), size);
    std::string path, value, error;
    pugi::xml_document dom;
    dom.reset(Base());
    if (ocv::SplitAssignment(arg, path, value, error)) {
        const std::string before = ocv::XmlToString(dom);
        if (!ocv::SetConfigValue(dom, "/opt/ocv", path, value, error) &&
            ocv::XmlToString(dom) != before)
            __builtin_trap();  // a refusal must leave the document as it was
    }
    ocv::ConfigDocument config("/opt/ocv");
    config.cameras.push_back(config.NewCamera());
    ocv::GetConfigValue(config, arg, value, error);
    return 0;
}
