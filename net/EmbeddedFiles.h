#pragma once
// Files of resources/web compiled into the program (generated source, see EmbedFiles.cmake).
#include <cstddef>

namespace ocv {

struct EmbeddedFile {
    const char* name;
    const unsigned char* data;
    size_t size;
};

extern const EmbeddedFile kEmbeddedFiles[];
extern const size_t kEmbeddedFileCount;

}  // namespace ocv
