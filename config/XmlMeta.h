#pragma once
// The meta layer over the XML DOM: every setting is an element "meta" with the attributes "name"
// (the key) and "value" (the value as text). Sections are found as the first descendant element
// of a tag; a key is found anywhere in the section's subtree, first match in document order.
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <pugixml.hpp>

namespace ocv {

class CLogger;

// A failing DOM operation inside this layer (out of memory). Load and save functions of the
// sections catch it and report it with the section's message; it never leaves the config folder's
// public functions.
class XmlError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Bounds applied to every document read from outside.
constexpr size_t kMaxXmlFileSize = 64u << 20;  // bytes
constexpr size_t kMaxXmlDepth = 256;           // element nesting levels

// A new empty document.
std::unique_ptr<pugi::xml_document> CreateXmlDocument();
// Appends the declaration (version 1.0, encoding UTF-8) to an empty document.
void AppendXmlDeclaration(pugi::xml_document& doc);

// Reads and parses a file. A file that cannot be opened gives nullptr without a message. A file
// that does not parse (or is too large or nested too deeply) is reported with the error box
// "XML Perse Failed! [path], [reason]" on the logger (when given) and gives nullptr; the reason
// is also stored in *reason when given, as is the system's reason when the file cannot be
// opened (no message then).
std::unique_ptr<pugi::xml_document> LoadXmlFile(const std::string& path, CLogger* log,
                                                std::string* reason = nullptr);
// Parses a document from memory with the same checks as LoadXmlFile (reason set on failure).
std::unique_ptr<pugi::xml_document> ParseXmlBuffer(const void* data, size_t size,
                                                   std::string& reason);
// The document as written: declaration, no white space between elements.
std::string XmlToString(const pugi::xml_document& doc);
// Writes the document atomically: a temporary file "<path>.XXXXXX" (mode 0600) in the same
// directory, flushed to disk and renamed over the path. False (old file untouched) on any
// failure, with the step, the path and the system's reason in *error when given.
bool SaveXmlFile(const pugi::xml_document& doc, const std::string& path,
                 std::string* error = nullptr);
// Writes bytes with the same atomic procedure.
bool WriteFileAtomically(const std::string& path, const std::string& bytes,
                         std::string* error = nullptr);
// Removes the temporary copies "<path>.XXXXXX" that a save cut short (a kill, a power loss) left
// beside the path: complete documents with every password in them. Returns how many were removed.
int RemoveStaleTemporaries(const std::string& path);

// All descendant elements of the element (or document) with the tag, in document order.
std::vector<pugi::xml_node> FindElements(pugi::xml_node element, const char* tag);
// The first descendant element with the tag, or an empty node.
pugi::xml_node FindSection(pugi::xml_node parent, const char* tag);

// Creates and appends an element; throws XmlError when the DOM cannot.
pugi::xml_node AppendElement(pugi::xml_node parent, const char* name);
void AddMeta(pugi::xml_node parent, const char* key, const std::string& text);
void AddMetaInt(pugi::xml_node parent, const char* key, int32_t value);
void AddMetaFloat(pugi::xml_node parent, const char* key, float value);  // "%3.2f"

// The value of the first meta named key in the section's subtree; false when there is none or it
// has no "value" attribute.
bool GetMeta(pugi::xml_node section, const char* key, std::string& text);
// Same without copying; nullptr when not found.
const char* GetMetaValue(pugi::xml_node section, const char* key);

// Readers: a missing key leaves the field unchanged. When a logger is given, a value that is
// ignored or read as 0 because it is not a number is reported once as a warning.
// Text: copied only when its length in bytes is below the capacity.
bool ReadMetaString(pugi::xml_node section, const char* key, std::string& field, size_t capacity,
                    CLogger* log = nullptr);
// atoi rules: leading white space, sign, digits up to the first non-digit; else 0. Values
// beyond the 32-bit range saturate.
bool ReadMetaInt(pugi::xml_node section, const char* key, int32_t& field, CLogger* log = nullptr);
// atof rules in the C locale.
bool ReadMetaFloat(pugi::xml_node section, const char* key, float& field, CLogger* log = nullptr);
// atoi, then the low 8 bits.
bool ReadMetaByte(pugi::xml_node section, const char* key, uint8_t& field, CLogger* log = nullptr);

// The text conversions of the readers and writers.
int32_t ParseMetaInt(const char* text, bool* isNumber = nullptr);
float ParseMetaFloat(const char* text, bool* isNumber = nullptr);
std::string FormatMetaFloat(float value);  // "%3.2f" in the C locale

// The longest prefix of text of at most maxBytes bytes that does not end inside a UTF-8
// character.
std::string CutUtf8(const std::string& text, size_t maxBytes);

}  // namespace ocv
