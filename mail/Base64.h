#pragma once
// Content transfer codecs of the MIME builder.
#include <string>

namespace ocv {

class CMIMECode {
public:
    virtual ~CMIMECode() = default;
    // Decodes `input`; false when it is not valid for the codec.
    virtual bool Decode(const std::string& input, std::string& output) const = 0;
    virtual std::string Encode(const std::string& input) const = 0;
};

// Base64 with the standard alphabet and "=" fill characters (RFC 4648 / RFC 2045).
class CBase64 : public CMIMECode {
public:
    // Decoding skips CR, LF, space and tab; any other byte outside the alphabet, or a bad
    // padding, fails.
    bool Decode(const std::string& input, std::string& output) const override;
    // Padded to a multiple of four characters; no line breaks.
    std::string Encode(const std::string& input) const override;
    static std::string EncodeBytes(const unsigned char* data, size_t length);
};

}  // namespace ocv
