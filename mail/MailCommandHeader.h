#pragma once
// Reading a command mail's header: the Subject and From values, the sender address, and whether
// the subject is an "ovn" command with its word and camera number. The header comes from any
// mailbox, so every rule here is bounded and never trusts what it reads.
#include <string>

namespace ocv {

// The value of the first occurrence of `name` ("Subject:", case-sensitive, anywhere in the
// header) up to the next CR, LF or NUL, with leading spaces and colons removed; "" when absent.
std::string HeaderFieldValue(const std::string& header, const std::string& name);

// The text between the first "<" and the following ">" of a From value; "" without them.
std::string SenderAddress(const std::string& from);

// The decimal value of the text (leading white space, an optional sign, digits up to the first
// other character), 0 when it does not start with a number; values beyond the int range are
// held at its ends.
int ParseCameraNumber(const std::string& text);

struct MailCommandRequest {
    std::string subject;
    std::string from;
    std::string sender;  // the address inside From's angle brackets
    std::string word;    // the command word as received
    int cameraNo = 1;    // counted from 1
};

enum class MailExamination {
    NoSubject,      // no Subject value: not a command
    NoFrom,         // no From value: not a command
    NotCommand,     // the subject's first word is not exactly "ovn"
    SenderRefused,  // the sender check is on and the sender is not the allowed address
    Command,        // a command: `word` and `cameraNo` are set
};

// Examines one header. `senderCheck` compares the sender with `allowedSender` exactly.
MailExamination ExamineCommandHeader(const std::string& header, bool senderCheck,
                                     const std::string& allowedSender, MailCommandRequest& out);

// The reply subject "Re: ovn %s [%s]" with the word as received ("ok" for result 0, else
// "error"). Control characters of the word become spaces and the word is cut to
// kMaxReplyWordBytes (whole UTF-8 characters), so the header stays one sane line.
constexpr size_t kMaxReplyWordBytes = 200;
std::string ReplySubject(const std::string& word, int result);

}  // namespace ocv
