#pragma once
// ffprobe's view of a video file: key=value lines of the first stream and of the format.
#include <cstdio>
#include <map>
#include <string>

namespace ocvtest {

inline std::map<std::string, std::string> Probe(const std::string& path) {
    const std::string cmd =
        "ffprobe -v error -count_frames -show_entries stream=codec_name,pix_fmt,r_frame_rate,"
        "nb_frames,nb_read_frames,width,height:format=format_name,duration -of "
        "default=noprint_wrappers=1 '" + path + "' 2>&1";
    std::map<std::string, std::string> out;
    FILE* p = popen(cmd.c_str(), "r");
    char line[512];
    while (p && fgets(line, sizeof line, p)) {
        std::string s(line);
        if (!s.empty() && s.back() == '\n') s.pop_back();
        const auto eq = s.find('=');
        if (eq != std::string::npos) out.emplace(s.substr(0, eq), s.substr(eq + 1));
    }
    if (p) pclose(p);
    return out;
}

}  // namespace ocvtest
