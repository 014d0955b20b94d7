#include "app/ConfigCommand.h"

#include <cstdio>
#include <sstream>

#include "config/ConfigDocument.h"
#include "config/ConfigPath.h"
#include "config/XmlMeta.h"
#include "foundation/Logger.h"
#include "platform/Files.h"

namespace ocv {
namespace {

// The document as parsed from the file; a missing file gives the document a fresh program
// would write (defaults, no camera). Null with a message when the file cannot be read.
std::unique_ptr<pugi::xml_document> ReadDom(const ConfigDocument& config) {
    const std::string path = config.Path();
    if (!FileExists(path)) {
        auto dom = CreateXmlDocument();
        CLogger quiet;
        if (config.BuildDocument(*dom, quiet)) return dom;
        std::fprintf(stderr, "ocuvane: a new configuration could not be made\n");
        return nullptr;
    }
    std::string reason;
    auto dom = LoadXmlFile(path, nullptr, &reason);
    if (!dom)
        std::fprintf(stderr, "ocuvane: %s cannot be read%s%s; nothing was changed.\n", path.c_str(),
                     reason.empty() ? "" : ": ", reason.c_str());
    return dom;
}

}  // namespace

int GetSettingsCommand(const std::string& programDir, const std::vector<std::string>& paths) {
    ConfigDocument config(programDir);
    auto dom = ReadDom(config);
    if (!dom) return 1;
    // The records exactly as the program loads them; what the loader reports goes to stderr.
    CLogger log;
    log.SetName("config");
    log.SetPath("/dev/null");
    log.SetMessageBox(0);
    config.ReadDocument(*dom, log);
    for (const std::string& p : paths) {
        std::string value, error;
        if (!GetConfigValue(config, p, value, error)) {
            std::fprintf(stderr, "ocuvane: --get %s: %s\n", p.c_str(), error.c_str());
            return 1;
        }
        std::printf("%s\n", value.c_str());
    }
    return 0;
}

int SetSettingsCommand(const std::string& programDir, const std::vector<std::string>& sets) {
    ConfigDocument config(programDir);
    auto dom = ReadDom(config);
    if (!dom) return 1;
    std::ostringstream done;
    for (const std::string& s : sets) {
        std::string path, value, error;
        if (!SplitAssignment(s, path, value, error) ||
            !SetConfigValue(*dom, programDir, path, value, error)) {
            std::fprintf(stderr, "ocuvane: --set refused: %s\n%s was not changed.\n", error.c_str(),
                         config.Path().c_str());
            return 1;
        }
        done << path << " = " << value << "\n";
    }
    // The parser leaves the declaration out; the file keeps the one the program writes.
    if (dom->first_child().type() != pugi::node_declaration) {
        pugi::xml_node decl = dom->prepend_child(pugi::node_declaration);
        decl.append_attribute("version") = "1.0";
        decl.append_attribute("encoding") = "UTF-8";
    }
    if (!SaveXmlFile(*dom, config.Path())) {
        std::fprintf(stderr, "ocuvane: %s could not be written; it was not changed.\n",
                     config.Path().c_str());
        return 1;
    }
    std::printf("%sSaved %s\n", done.str().c_str(), config.Path().c_str());
    return 0;
}

int ShowConfigCommand(const std::string& programDir) {
    ConfigDocument config(programDir);
    if (!FileExists(config.Path())) {
        std::fprintf(stderr, "ocuvane: there is no %s yet\n", config.Path().c_str());
        return 1;
    }
    auto dom = ReadDom(config);
    if (!dom) return 1;
    std::ostringstream out;
    dom->save(out, "  ", pugi::format_indent, pugi::encoding_utf8);
    std::fputs(out.str().c_str(), stdout);
    return 0;
}

}  // namespace ocv
