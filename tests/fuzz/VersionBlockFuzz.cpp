// Any bytes as an executable's file: the version-block reader must neither fail
// nor read outside the file, and a block it reads comes from a section of its
// name that holds a file version.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/VersionResource.h"

using platform::VersionResource;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A file in memory only: nothing to leave behind, however the run ends.
    static const int fd = memfd_create("VersionBlockFuzz", MFD_CLOEXEC);
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    if (fd < 0 || ftruncate(fd, 0) != 0 ||
        pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) {
        __builtin_trap();
    }
    VersionResource block;
    if (!VersionResource::Read(path, &block)) return 0;
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    using namespace std::string_view_literals;
    if (in.find(".dalvex.version\0"sv) == in.npos || in.find("FileVersion") == in.npos) {
        __builtin_trap();
    }
    std::string value;
    block.QueryString("\\StringFileInfo\\040c04b0\\FileVersion", &value);
    return 0;
}
