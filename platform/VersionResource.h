#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

struct VersionTranslation {
    uint16_t language = 0;
    uint16_t codePage = 0;
};

// The version block of an executable file: the build puts resources/version.ini
// into the ELF section .dalvex.version. Any thread.
class VersionResource {
public:
    // Reads the block of the file `path` (Windows-1252). False when the file
    // cannot be read, is no native little-endian ELF file, has no such
    // section, or the block does not parse.
    static bool Read(std::string_view path, VersionResource* block);
    // The running program's file, in Windows-1252; empty on failure.
    static std::string ModuleFileName();

    uint32_t fileVersionMS = 0;
    uint32_t fileVersionLS = 0;
    uint32_t productVersionMS = 0;
    uint32_t productVersionLS = 0;
    std::vector<VersionTranslation> translations;  // in the block's order

    // A text entry by the name the system gives it,
    // "\StringFileInfo\040c04b0\ProductName" (compared without regard to case);
    // the value in Windows-1252.
    bool QueryString(std::string_view name, std::string* value) const;

private:
    friend struct BlockParser;
    std::vector<std::pair<std::string, std::string>> m_strings;  // full name, value
};

}  // namespace platform
