#pragma once
// A multipart/mixed mail: the text as the first part and files attached in Base64.
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "mail/MIMEContentAgent.h"
#include "mail/MailMessage.h"

namespace ocv {

class CMIMEMessage : public CMailMessage {
public:
    enum ContentTypeId { TEXT_PLAIN = 0, APPLICATION_OCTETSTREAM = 1 };

    struct CMIMEPart {
        int encoding = 0;
        int contentType = TEXT_PLAIN;
        std::string parameters;
        bool isPath = false;
        std::string content;
    };

    // The process-wide list of content agents, guarded by its own lock. The text/plain agent
    // (wrap width 76) and the application/octet-stream agent are registered on first use.
    class CMIMETypeManager {
    public:
        static CMIMETypeManager& Instance();
        void RegisterAgent(std::unique_ptr<CMIMEContentAgent> agent);
        // The first agent of that content type id, or nullptr.
        CMIMEContentAgent* FindAgent(int contentType);

    private:
        CMIMETypeManager();
        std::mutex mutex_;
        std::vector<std::unique_ptr<CMIMEContentAgent>> agents_;
    };

    static constexpr const char* kPreamble = "This is a multi-part message in MIME format.";
    static constexpr const char* kBoundary = "QX_MAIL_PaRt_BoUnDaRy_05151998";
    static constexpr const char* kContentType = "multipart/mixed";
    static constexpr const char* kJisCharset = "; charset=ISO-2022-JP";

    CMIMEMessage() = default;
    ~CMIMEMessage() override = default;

    // The content is trimmed of white space at both ends; a text part goes to the head of the
    // list, any other part to its tail. Returns 1.
    int AddPart(const std::string& content, int contentType, const std::string& parameters = "",
                int encoding = 0, bool isPath = false);
    const std::list<CMIMEPart>& Parts() const { return parts_; }

protected:
    void BuildHeader() override;
    void BuildBody() override;
    virtual void AppendParts();

private:
    std::list<CMIMEPart> parts_;
};

}  // namespace ocv
