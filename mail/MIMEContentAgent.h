#pragma once
// Content agents: each writes the parts of one content type into a MIME body.
#include <string>

namespace ocv {

// Wraps text at the last space before a line grows past `width` characters: the text before
// that space loses its trailing white space, the rest its leading white space, and "\r\n" joins
// them. Text without spaces is not wrapped. The last space seen is kept across line breaks.
std::string WrapText(std::string text, int width);

class CMIMEContentAgent {
public:
    explicit CMIMEContentAgent(int contentType) : contentType_(contentType) {}
    virtual ~CMIMEContentAgent() = default;

    // Appends the part's own header and encoded content to `body`; returns 1, or 0 when the
    // part could not be made (nothing is appended then).
    virtual int AppendPart(const std::string& content, const std::string& parameters, int encoding,
                           bool isPath, std::string& body) = 0;
    virtual std::string ContentTypeName() const = 0;
    virtual std::string PartHeader(const std::string& content, const std::string& parameters,
                                   int encoding, bool isPath) = 0;
    int ContentType() const { return contentType_; }

private:
    int contentType_;
};

// text/plain, id 0: the text wrapped at its width.
class CTextPlain : public CMIMEContentAgent {
public:
    CTextPlain(int contentType, int wrapWidth)
        : CMIMEContentAgent(contentType), width_(wrapWidth) {}
    int AppendPart(const std::string& content, const std::string& parameters, int encoding,
                   bool isPath, std::string& body) override;
    std::string ContentTypeName() const override { return "text/plain"; }
    std::string PartHeader(const std::string& content, const std::string& parameters, int encoding,
                           bool isPath) override;

private:
    int width_;
};

// application/octet-stream, id 1: a file attached in Base64.
class CAppOctetStream : public CMIMEContentAgent {
public:
    static constexpr size_t kPieceSize = 54;  // gives 72 characters per line

    explicit CAppOctetStream(int contentType) : CMIMEContentAgent(contentType) {}
    int AppendPart(const std::string& content, const std::string& parameters, int encoding,
                   bool isPath, std::string& body) override;
    std::string ContentTypeName() const override { return "application/octet-stream"; }
    std::string PartHeader(const std::string& content, const std::string& parameters, int encoding,
                           bool isPath) override;
    // Reads the file in 54-byte pieces and appends each in Base64 with "\r\n", stopping after a
    // short piece, then one more "\r\n". False when the file cannot be read.
    virtual bool AppendFileBase64(const std::string& path, std::string& body);
};

}  // namespace ocv
