#pragma once
// What every stored setting means, once per record and key: a key of the image, caption-style,
// local, FTP and e-mail records means the same under every capture mode, so it is described
// once. Meanings of flags start with "When 1, "; units and allowed values are part of the text.
#include <span>
#include <string_view>

namespace ocv {

struct KeyMeaning {
    const char* block;  // the record, as KeyInfo::block: "Log", "Image", "Font", "FTP", ...
    const char* key;    // the meta name; "MailBody" for the mail body element
    const char* meaning;
};

std::span<const KeyMeaning> KeyMeanings();
// nullptr when the pair has no entry.
const KeyMeaning* FindKeyMeaning(std::string_view block, std::string_view key);
// Whether a meaning describes a 0/1 switch.
bool IsFlagMeaning(std::string_view meaning);

}  // namespace ocv
