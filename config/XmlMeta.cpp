#include "config/XmlMeta.h"

#include <dirent.h>
#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "foundation/Logger.h"
#include "platform/Files.h"

namespace ocv {
namespace {

constexpr unsigned kParseFlags = pugi::parse_default;

// The C locale, so numbers are read and written with a dot whatever the process locale is.
locale_t CLocale() {
    static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return loc;
}

bool IsElement(const pugi::xml_node& n) { return n.type() == pugi::node_element; }

// Calls f on every descendant element of root in document order, without recursion; stops when
// f returns true.
template <class F>
void WalkElements(pugi::xml_node root, F&& f) {
    pugi::xml_node cur = root.first_child();
    while (cur) {
        if (IsElement(cur) && f(cur)) return;
        if (cur.first_child()) {
            cur = cur.first_child();
            continue;
        }
        while (cur != root && !cur.next_sibling()) cur = cur.parent();
        if (cur == root) return;
        cur = cur.next_sibling();
    }
}

size_t MaxDepth(const pugi::xml_node& root) {
    size_t depth = 0, maxDepth = 0;
    pugi::xml_node cur = root.first_child();
    if (cur) depth = 1;
    while (cur) {
        if (depth > maxDepth) maxDepth = depth;
        if (cur.first_child()) {
            cur = cur.first_child();
            ++depth;
            continue;
        }
        while (cur != root && !cur.next_sibling()) {
            cur = cur.parent();
            --depth;
        }
        if (cur == root) break;
        cur = cur.next_sibling();
    }
    return maxDepth;
}

class StringWriter : public pugi::xml_writer {
public:
    explicit StringWriter(std::string& out) : out_(out) {}
    void write(const void* data, size_t size) override {
        out_.append(static_cast<const char*>(data), size);
    }

private:
    std::string& out_;
};

bool WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

std::string DirectoryOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string FileNameOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void ThrowIf(bool failed) {
    if (failed) throw XmlError("Not enough memory");
}

}  // namespace

std::unique_ptr<pugi::xml_document> CreateXmlDocument() {
    return std::make_unique<pugi::xml_document>();
}

void AppendXmlDeclaration(pugi::xml_document& doc) {
    pugi::xml_node decl = doc.append_child(pugi::node_declaration);
    ThrowIf(!decl);
    ThrowIf(!decl.append_attribute("version").set_value("1.0"));
    ThrowIf(!decl.append_attribute("encoding").set_value("UTF-8"));
}

std::unique_ptr<pugi::xml_document> ParseXmlBuffer(const void* data, size_t size,
                                                   std::string& reason) {
    if (size > kMaxXmlFileSize) {
        reason = "File too large (" + std::to_string(size) + " bytes)";
        return nullptr;
    }
    auto doc = CreateXmlDocument();
    pugi::xml_parse_result r = doc->load_buffer(data, size, kParseFlags, pugi::encoding_auto);
    if (!r) {
        reason = std::string(r.description()) + " at offset " + std::to_string(r.offset);
        return nullptr;
    }
    if (MaxDepth(*doc) > kMaxXmlDepth) {
        reason = "Elements nested deeper than " + std::to_string(kMaxXmlDepth) + " levels";
        return nullptr;
    }
    return doc;
}

std::unique_ptr<pugi::xml_document> LoadXmlFile(const std::string& path, CLogger* log,
                                                std::string* reason) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (reason) *reason = SystemErrorText(errno);
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (reason)
            *reason = S_ISDIR(st.st_mode) ? SystemErrorText(EISDIR) : "Not a regular file";
        ::close(fd);
        return nullptr;
    }
    std::string why;
    std::string bytes;
    bool readOk = true;
    if (static_cast<uint64_t>(st.st_size) > kMaxXmlFileSize) {
        why = "File too large (" + std::to_string(st.st_size) + " bytes)";
        readOk = false;
    } else {
        // Read to the end rather than trusting the size, which may change under us.
        char buf[65536];
        for (;;) {
            ssize_t n = ::read(fd, buf, sizeof buf);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                why = SystemErrorText(errno);
                readOk = false;
                break;
            }
            if (n == 0) break;
            bytes.append(buf, static_cast<size_t>(n));
            if (bytes.size() > kMaxXmlFileSize) {
                why = "File too large";
                readOk = false;
                break;
            }
        }
    }
    ::close(fd);
    std::unique_ptr<pugi::xml_document> doc;
    if (readOk) doc = ParseXmlBuffer(bytes.data(), bytes.size(), why);
    if (doc) return doc;
    if (reason) *reason = why;
    if (log) log->ErrorBox("XML Perse Failed! [%s], [%s]", path.c_str(), why.c_str());
    return nullptr;
}

std::string XmlToString(const pugi::xml_document& doc) {
    std::string out;
    StringWriter writer(out);
    doc.save(writer, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    return out;
}

bool WriteFileAtomically(const std::string& path, const std::string& bytes, std::string* error) {
    std::string dir = DirectoryOf(path);
    auto fail = [&](const std::string& what, int err) {
        if (error) *error = what + ": " + SystemErrorText(err);
        return false;
    };
    std::string tmpl = path + ".XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    int fd = ::mkostemp(name.data(), O_CLOEXEC);  // created with mode 0600
    if (fd < 0) return fail("cannot create a file in " + dir, errno);
    int err = 0;
    if (::fchmod(fd, 0600) != 0 || !WriteAll(fd, bytes) || ::fsync(fd) != 0) err = errno;
    if (::close(fd) != 0 && err == 0) err = errno;
    if (err != 0) {
        ::unlink(name.data());
        return fail(std::string("cannot write ") + name.data(), err);
    }
    if (::rename(name.data(), path.c_str()) != 0) {
        err = errno;
        ::unlink(name.data());
        return fail("cannot replace " + path, err);
    }
    // Make the rename itself durable.
    int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

int RemoveStaleTemporaries(const std::string& path) {
    std::string dir = DirectoryOf(path);
    std::string prefix = FileNameOf(path) + ".";
    DIR* d = ::opendir(dir.c_str());
    if (!d) return 0;
    int removed = 0;
    while (dirent* e = ::readdir(d)) {
        std::string name = e->d_name;
        // Exactly the names mkostemp makes from the template: six letters or digits.
        if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0)
            continue;
        bool generated =
            std::all_of(name.begin() + static_cast<long>(prefix.size()), name.end(),
                        [](char c) { return std::isalnum(static_cast<unsigned char>(c)); });
        if (!generated) continue;
        std::string full = JoinPath(dir, name);
        struct stat st {};
        if (::lstat(full.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        if (::unlink(full.c_str()) == 0) ++removed;
    }
    ::closedir(d);
    return removed;
}

bool SaveXmlFile(const pugi::xml_document& doc, const std::string& path, std::string* error) {
    return WriteFileAtomically(path, XmlToString(doc), error);
}

std::vector<pugi::xml_node> FindElements(pugi::xml_node element, const char* tag) {
    std::vector<pugi::xml_node> out;
    WalkElements(element, [&](const pugi::xml_node& n) {
        if (std::strcmp(n.name(), tag) == 0) out.push_back(n);
        return false;
    });
    return out;
}

pugi::xml_node FindSection(pugi::xml_node parent, const char* tag) {
    pugi::xml_node found;
    WalkElements(parent, [&](const pugi::xml_node& n) {
        if (std::strcmp(n.name(), tag) != 0) return false;
        found = n;
        return true;
    });
    return found;
}

pugi::xml_node AppendElement(pugi::xml_node parent, const char* name) {
    pugi::xml_node n = parent.append_child(name);
    ThrowIf(!n);
    return n;
}

void AddMeta(pugi::xml_node parent, const char* key, const std::string& text) {
    pugi::xml_node meta = AppendElement(parent, "meta");
    ThrowIf(!meta.append_attribute("name").set_value(key));
    ThrowIf(!meta.append_attribute("value").set_value(text.c_str()));
}

void AddMetaInt(pugi::xml_node parent, const char* key, int32_t value) {
    AddMeta(parent, key, std::to_string(value));
}

void AddMetaFloat(pugi::xml_node parent, const char* key, float value) {
    AddMeta(parent, key, FormatMetaFloat(value));
}

const char* GetMetaValue(pugi::xml_node section, const char* key) {
    const char* value = nullptr;
    WalkElements(section, [&](const pugi::xml_node& n) {
        if (std::strcmp(n.name(), "meta") != 0) return false;
        pugi::xml_attribute name = n.attribute("name");
        if (!name || std::strcmp(name.value(), key) != 0) return false;
        pugi::xml_attribute v = n.attribute("value");
        if (v) value = v.value();
        return true;  // the first meta of that name decides, with or without a value
    });
    return value;
}

bool GetMeta(pugi::xml_node section, const char* key, std::string& text) {
    const char* v = GetMetaValue(section, key);
    if (!v) return false;
    text = v;
    return true;
}

bool ReadMetaString(pugi::xml_node section, const char* key, std::string& field, size_t capacity,
                    CLogger* log) {
    const char* v = GetMetaValue(section, key);
    if (!v) return false;
    size_t len = std::strlen(v);
    if (len >= capacity) {
        if (log)
            log->Warning("Setting <%s> ignored: %zu bytes do not fit its field (%zu at most)", key,
                         len, capacity - 1);
        return false;
    }
    field.assign(v, len);
    return true;
}

int32_t ParseMetaInt(const char* s, bool* isNumber) {
    while (*s == ' ' || (*s >= '\t' && *s <= '\r')) ++s;
    bool neg = false;
    if (*s == '+' || *s == '-') neg = *s++ == '-';
    if (*s < '0' || *s > '9') {
        if (isNumber) *isNumber = false;
        return 0;
    }
    if (isNumber) *isNumber = true;
    int64_t v = 0;
    constexpr int64_t kLimit = int64_t{1} << 31;
    for (; *s >= '0' && *s <= '9'; ++s) {
        v = v * 10 + (*s - '0');
        if (v > kLimit) v = kLimit;  // saturate; keeps the loop free of overflow
    }
    if (neg) return v >= kLimit ? INT32_MIN : static_cast<int32_t>(-v);
    return v >= kLimit ? INT32_MAX : static_cast<int32_t>(v);
}

float ParseMetaFloat(const char* s, bool* isNumber) {
    char* end = nullptr;
    double d = strtod_l(s, &end, CLocale());
    if (isNumber) *isNumber = end != s;
    if (end == s) return 0.0f;
    // Keep the conversion defined: values beyond the float range become infinities.
    if (std::isfinite(d) && std::fabs(d) > FLT_MAX) return d > 0 ? HUGE_VALF : -HUGE_VALF;
    return static_cast<float>(d);
}

std::string FormatMetaFloat(float value) {
    char buf[64];
    locale_t old = uselocale(CLocale());
    int n = std::snprintf(buf, sizeof buf, "%3.2f", static_cast<double>(value));
    uselocale(old);
    if (n < 0) return "0.00";
    if (static_cast<size_t>(n) >= sizeof buf) {
        // Huge finite values have up to 39 integral digits; print them without a bound.
        std::vector<char> big(static_cast<size_t>(n) + 1);
        old = uselocale(CLocale());
        std::snprintf(big.data(), big.size(), "%3.2f", static_cast<double>(value));
        uselocale(old);
        return std::string(big.data(), static_cast<size_t>(n));
    }
    return std::string(buf, static_cast<size_t>(n));
}

namespace {
void ReportNotNumber(CLogger* log, const char* key, const char* value) {
    if (log)
        log->Warning("Setting <%s> is not a number [%s]: read as 0", key,
                     CutUtf8(value, 40).c_str());
}
}  // namespace

bool ReadMetaInt(pugi::xml_node section, const char* key, int32_t& field, CLogger* log) {
    const char* v = GetMetaValue(section, key);
    if (!v) return false;
    bool isNumber = false;
    field = ParseMetaInt(v, &isNumber);
    if (!isNumber) ReportNotNumber(log, key, v);
    return true;
}

bool ReadMetaFloat(pugi::xml_node section, const char* key, float& field, CLogger* log) {
    const char* v = GetMetaValue(section, key);
    if (!v) return false;
    bool isNumber = false;
    field = ParseMetaFloat(v, &isNumber);
    if (!isNumber) ReportNotNumber(log, key, v);
    return true;
}

bool ReadMetaByte(pugi::xml_node section, const char* key, uint8_t& field, CLogger* log) {
    const char* v = GetMetaValue(section, key);
    if (!v) return false;
    bool isNumber = false;
    field = static_cast<uint8_t>(static_cast<uint32_t>(ParseMetaInt(v, &isNumber)) & 0xFFu);
    if (!isNumber) ReportNotNumber(log, key, v);
    return true;
}

std::string CutUtf8(const std::string& text, size_t maxBytes) {
    if (text.size() <= maxBytes) return text;
    // text[end] is the first byte left out; when it continues a character, that character starts
    // before the cut and is left out whole (a UTF-8 character has at most 3 continuation bytes).
    size_t end = maxBytes;
    for (int i = 0; i < 3 && end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80; ++i)
        --end;
    if ((static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) end = maxBytes;  // not UTF-8
    return text.substr(0, end);
}

}  // namespace ocv
