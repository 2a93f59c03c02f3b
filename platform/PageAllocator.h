#pragma once
#include <cstddef>

namespace platform {

// Whole pages straight from the system, committed and writable. Any thread.
class PageAllocator {
public:
    static void* Allocate(std::size_t bytes);  // null on failure
    static void Free(void* pages, std::size_t bytes);
};

}  // namespace platform
