#pragma once
#include <cstddef>

// One file of resources/ compiled into the executable. The table that the build
// generates ends with an entry whose name is null.
struct EmbeddedFile {
    const char* name;
    const unsigned char* data;
    std::size_t size;
};

extern const EmbeddedFile kEmbeddedFiles[];
