// Prints the Markdown reference of the settings document (docs/configuration.md).
#include <cstdio>

#include "config/ConfigReference.h"

int main() {
    const std::string text = ocv::ConfigReferenceMarkdown();
    return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() ? 0 : 1;
}
