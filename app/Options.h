#pragma once
// The command line of the program.
#include <optional>
#include <string>
#include <vector>

namespace ocv {

struct Options {
    bool help = false;
    bool headless = false;
    bool demo = false;
    std::string dir;         // --dir DIR
    int settingsCamera = 0;  // -s N: open camera N's capture settings alone
    bool addCamera = false;  // --add-camera TYPE URL [--name NAME]
    int addType = 0;
    std::string addUrl;
    std::string addName;
    // Settings without editing the XML; these go alone (with --dir).
    std::vector<std::string> getPaths;  // --get PATH, repeatable
    std::vector<std::string> sets;      // --set PATH=VALUE, repeatable; all or nothing
    bool showConfig = false;            // --show-config
    bool version = false;               // --version
    bool listDevices = false;           // --list-devices
};

// Parses argv; on a usage error returns nullopt and sets `error`.
std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error);

// The text of --help.
std::string UsageText();

}  // namespace ocv
