#pragma once
// Command-line options of ocv-camsim.
#include <string>

#include "CamSimPictures.h"

namespace camsim {

struct Options {
    int port = 0;
    int width = 640, height = 480;
    int quality = 75;
    std::string boundary = "myboundary";
    bool noLength = false;
    std::string lengthName = "Content-Length";
    bool crlfAfter = true;
    bool chunked = false;
    int maxClients = -1;  // -1: no limit
    bool singleNoLength = false;
    std::string auth;  // "", "basic" or "digest"
    std::string user = "camuser", password = "s3cret";
    int resizeAfter = -1;
    int resizeWidth = 320, resizeHeight = 240;
    int stallAfter = -1;
    int garbageAfter = -1;
    int corruptAfter = -1;
    int oversizeAfter = -1;
    int hugeLengthAfter = -1;
    int dropAfter = -1;
    int httpStatus = 0;
    bool noStatusLine = false;
    bool verbose = false;
    SceneOptions scene;
};

// Parses argv; false with `error` set for bad arguments. `help` is set for --help.
bool ParseOptions(int argc, char** argv, Options& out, bool& help, std::string& error);
const char* HelpText();

}  // namespace camsim
