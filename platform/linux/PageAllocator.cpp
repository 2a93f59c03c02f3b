#include "platform/PageAllocator.h"

#include <sys/mman.h>

namespace platform {

void* PageAllocator::Allocate(std::size_t bytes) {
    void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return p == MAP_FAILED ? nullptr : p;
}

void PageAllocator::Free(void* pages, std::size_t bytes) { munmap(pages, bytes); }

}  // namespace platform
