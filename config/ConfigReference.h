#pragma once
// The reference of the settings document in Markdown, made from the key tables themselves: every
// stored key with its type, default, valid range and meaning. The text is the same on every
// machine: defaults below the program directory and the home directory are written as
// "<program directory>/..." and "<home directory>".
#include <string>

namespace ocv {

std::string ConfigReferenceMarkdown();

}  // namespace ocv
