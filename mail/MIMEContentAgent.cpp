#include "mail/MIMEContentAgent.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "mail/Base64.h"

namespace ocv {
namespace {

bool IsSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// A file name as a quoted header parameter: quotes, backslashes and control bytes would break
// the header line, so they become "_".
std::string QuotedFileName(const std::string& name) {
    std::string out = "\"";
    for (char c : name) {
        auto u = static_cast<unsigned char>(c);
        out += (c == '"' || c == '\\' || u < 0x20 || u == 0x7f) ? '_' : c;
    }
    return out + "\"";
}

}  // namespace

std::string WrapText(std::string text, int width) {
    int count = 0;
    size_t lastSpace = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ' ') lastSpace = i;
        if (text.compare(i, 2, "\r\n") == 0) count = 0;
        if (count > width) {
            size_t cut = std::min(lastSpace, text.size());
            std::string left = text.substr(0, cut);
            std::string right = text.substr(cut);
            while (!left.empty() && IsSpace(left.back())) left.pop_back();
            size_t skip = 0;
            while (skip < right.size() && IsSpace(right[skip])) ++skip;
            text = left + "\r\n" + right.substr(skip);
            count = 0;
        } else {
            ++count;
        }
    }
    return text;
}

std::string CTextPlain::PartHeader(const std::string& content, const std::string& parameters,
                                   int encoding, bool isPath) {
    bool eightBit = false;
    for (unsigned char c : content)
        if (c >= 0x80) eightBit = true;
    return "Content-Type: " + ContentTypeName() + parameters + "\r\n" +
           "Content-Transfer-Encoding: " + (eightBit ? "8bit" : "7Bit") + "\r\n\r\n";
}

int CTextPlain::AppendPart(const std::string& content, const std::string& parameters, int encoding,
                           bool isPath, std::string& body) {
    body += PartHeader(content, parameters, encoding, isPath);
    body += WrapText(content, width_);
    return 1;
}

std::string CAppOctetStream::PartHeader(const std::string& content, const std::string& parameters,
                                        int encoding, bool isPath) {
    std::string name = QuotedFileName(std::filesystem::path(content).filename().string());
    return "Content-Type: " + ContentTypeName() + parameters + "; name=" + name + "\r\n" +
           "Content-Transfer-Encoding: base64\r\n" +
           "Content-Disposition: attachment; filename=" + name + "\r\n\r\n";
}

bool CAppOctetStream::AppendFileBase64(const std::string& path, std::string& body) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    unsigned char piece[kPieceSize];
    for (;;) {
        file.read(reinterpret_cast<char*>(piece), kPieceSize);
        auto got = static_cast<size_t>(file.gcount());
        if (file.bad()) return false;
        body += CBase64::EncodeBytes(piece, got);
        body += "\r\n";
        if (got < kPieceSize) break;
    }
    body += "\r\n";
    return true;
}

int CAppOctetStream::AppendPart(const std::string& content, const std::string& parameters,
                                int encoding, bool isPath, std::string& body) {
    if (!isPath) return 0;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(content, ec)) return 0;
    std::string part = PartHeader(content, parameters, encoding, isPath);
    if (!AppendFileBase64(content, part)) return 0;
    body += part;
    return 1;
}

}  // namespace ocv
