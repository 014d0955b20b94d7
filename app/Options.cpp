#include "app/Options.h"

#include <cstdlib>

namespace ocv {
namespace {

bool ParseInt(const std::string& s, int& out) {
    if (s.empty()) return false;
    char* end = nullptr;
    long v = std::strtol(s.c_str(), &end, 10);
    if (*end != '\0' || v < -1000000 || v > 1000000) return false;
    out = static_cast<int>(v);
    return true;
}

}  // namespace

std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error) {
    Options o;
    auto need = [&](size_t& i, const char* what) -> const std::string* {
        if (i + 1 >= args.size()) {
            error = std::string(args[i]) + " needs " + what;
            return nullptr;
        }
        return &args[++i];
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "-h" || a == "--help") {
            o.help = true;
        } else if (a == "--headless") {
            o.headless = true;
        } else if (a == "--demo") {
            o.demo = true;
        } else if (a == "--dir") {
            auto v = need(i, "a directory");
            if (!v) return std::nullopt;
            o.dir = *v;
        } else if (a == "-s" || (a.size() > 2 && a.compare(0, 2, "-s") == 0)) {
            // "-s N" or the number written straight after it, "-sN".
            const std::string* v = a.size() > 2 ? nullptr : need(i, "a camera number");
            const std::string joined = a.size() > 2 ? a.substr(2) : std::string();
            if (a.size() > 2) v = &joined;
            if (!v || !ParseInt(*v, o.settingsCamera) || o.settingsCamera < 1) {
                if (error.empty()) error = "-s needs a camera number from 1";
                return std::nullopt;
            }
        } else if (a == "--add-camera") {
            auto t = need(i, "a device type and a URL");
            if (!t) return std::nullopt;
            auto u = need(i, "a device type and a URL");
            if (!u) return std::nullopt;
            if (!ParseInt(*t, o.addType) || o.addType < 1 || o.addType > 8) {
                error = "--add-camera: the device type is a number from 1 to 8";
                return std::nullopt;
            }
            o.addCamera = true;
            o.addUrl = *u;
        } else if (a == "--get" || a == "--set") {
            auto v = need(i, a == "--get" ? "a setting path" : "PATH=VALUE");
            if (!v) return std::nullopt;
            (a == "--get" ? o.getPaths : o.sets).push_back(*v);
        } else if (a == "--show-config") {
            o.showConfig = true;
        } else if (a == "--version") {
            o.version = true;
        } else if (a == "--list-devices") {
            o.listDevices = true;
        } else if (a == "--name") {
            auto v = need(i, "a name");
            if (!v) return std::nullopt;
            o.addName = *v;
        } else {
            error = "unknown option: " + a;
            return std::nullopt;
        }
    }
    bool configCommand = !o.getPaths.empty() || !o.sets.empty() || o.showConfig;
    if (configCommand && (o.headless || o.demo || o.addCamera || o.settingsCamera > 0)) {
        error = "--get, --set and --show-config go alone (with --dir)";
        return std::nullopt;
    }
    if (!o.addName.empty() && !o.addCamera) {
        error = "--name goes with --add-camera";
        return std::nullopt;
    }
    return o;
}

std::string UsageText() {
    return R"(Usage: ocuvane [options]

A multi-camera surveillance program: interval and motion capture, snapshots, recording, delivery
to disk, FTP and e-mail, and a web server per camera. Without --headless, in a desktop session,
it runs as the desktop program in the notification area.

Options:
  --dir DIR              program directory: ocv.xml and, by default, log.txt live here
                         (default: the executable's directory when ocv.xml is there, else
                         $XDG_DATA_HOME/ocuvane or ~/.local/share/ocuvane)
  --headless             run the configured cameras without a window (a service); log lines
                         also go to stderr; SIGINT or SIGTERM stops every camera and saves
                         ocv.xml; SIGHUP reads ocv.xml again; SIGUSR2 takes a snapshot and
                         SIGUSR1 starts a recording on every connected camera
  --demo                 start a simulated camera on loopback, write a configuration that
                         captures a picture every 10 seconds into a fresh directory (or DIR)
                         and serves the live view on a local port, and run it (in the desktop
                         program when a display is there, else or with --headless headless)
  --add-camera TYPE URL  append a camera with this device type and URL (or device name) to
                         ocv.xml and exit; types: 1 local capture device (its card name as
                         --list-devices shows it, "" for the first), 2 network stream (rtsp://,
                         http(s)://, file:// ...), 3 another instance of this program,
                         4 Panasonic, 5 Axis, 6 Vivotek, 7 MegaChips-family camera,
                         8 a Motion-JPEG URL used as given
  --list-devices         print the local capture devices with their card names and formats
  --name NAME            the name of the camera added with --add-camera
  -s N, -sN              open camera N's capture settings alone (desktop program; without
                         a display or in a build without it, the cameras run headless)
  --get PATH             print one setting of ocv.xml as the program reads it, for example
                         --get "camera:1/Live/Vistrel Timer" or --get "system/Log/Debug Mode"
  --set PATH=VALUE       change one setting of ocv.xml (repeatable; all or nothing); the value
                         must be of the key's type and is checked by the loader's own rules;
                         the file is replaced atomically and left untouched on any refusal
  --show-config          print ocv.xml indented
                         (every path, type and default: docs/configuration.md)
  --version              the program's version
  -h, --help             this text
)";
}

}  // namespace ocv
