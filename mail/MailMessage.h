#pragma once
// A plain text mail: sender, recipients, subject and body, built into the header and body texts
// that the SMTP client sends.
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace ocv {

// True when the text holds a byte below 0x20 or DEL: such text must not reach an SMTP command
// or a header line (it could end the line and smuggle in one of its own).
bool HasControlChars(const std::string& text);

class CMailMessage {
public:
    struct CRecipient {
        std::string address;
        std::string name;
    };
    enum RecipientListKind { TO = 0, CC = 1, BCC = 2 };
    static constexpr int kLineLength = 76;

    CMailMessage();
    virtual ~CMailMessage() = default;

    // Appends to list 0 (To), 1 (Cc) or 2 (Bcc); returns 1. An address or name holding control
    // characters, or an unknown list, is refused with 0.
    int AddRecipient(const std::string& address, const std::string& name = "", int list = TO);
    // Parses "addr;name <addr>;..." (see the .cpp); returns 1, or 0 at the first malformed
    // entry (entries before it stay added).
    int AddRecipientList(const std::string& text, int list = TO);
    int RecipientCount(int list) const;
    bool GetRecipientAt(int index, int list, std::string& address, std::string& name) const;
    const std::vector<CRecipient>& Recipients(int list) const;

    // Builds the header and the body: StartHeader, BuildHeader, CloseHeader, BuildBody.
    void ComposeMessage();

    void SetFrom(const std::string& from) { from_ = from; }
    const std::string& From() const { return from_; }
    void SetSubject(const std::string& subject) { subject_ = subject; }
    const std::string& Subject() const { return subject_; }
    void SetBody(const std::string& body) { body_ = body; }
    const std::string& Body() const { return body_; }
    const std::string& Header() const { return header_; }
    const std::string& Mailer() const { return mailer_; }
    // Fixes the message date; without it the header takes the current time.
    void SetDate(std::time_t date) { fixedDate_ = date; }
    std::time_t Date() const { return date_; }
    int LineLength() const { return lineLength_; }

protected:
    virtual void BuildHeader();
    virtual void BuildBody();
    virtual void CloseHeader();
    virtual void StartHeader();
    virtual void AppendHeaderLine(const std::string& line);

    std::string from_;
    std::string subject_;
    std::string mailer_;
    std::string header_;
    std::time_t date_ = 0;
    std::optional<std::time_t> fixedDate_;
    int lineLength_ = kLineLength;
    std::string body_;
    std::vector<CRecipient> to_;
    std::vector<CRecipient> cc_;
    std::vector<CRecipient> bcc_;

private:
    std::vector<CRecipient>* List(int list);
    std::string FormatList(const std::vector<CRecipient>& list) const;
};

}  // namespace ocv
