#include "support/ChainePool.h"

#include <cstring>
#include <new>

#include "platform/PageAllocator.h"

namespace {

constexpr std::size_t kChunkBytes = ChainePool::kBlockBytes * ChainePool::kBlocksPerChunk;

bool g_made = false;  // only touched during static initialisation
alignas(ChainePool) unsigned char g_storage[sizeof(ChainePool)];

unsigned char* Next(unsigned char* block) {
    unsigned char* next;
    std::memcpy(&next, block, sizeof next);
    return next;
}

void Link(unsigned char* block, unsigned char* next) { std::memcpy(block, &next, sizeof next); }

// The calling thread's own blocks. Plain data, so it stays usable until the
// thread is gone; `closed` sends later frees straight to the shared list.
struct ThreadCache {
    unsigned char* head;
    unsigned count;
    bool registered;
    bool closed;
};
thread_local ThreadCache t_cache = {nullptr, 0, false, false};

// Its destructor runs at thread exit and hands the cached blocks back.
struct ThreadCacheOwner {
    ~ThreadCacheOwner() { ChainePool::Instance().ReleaseThreadCache(); }
};
thread_local ThreadCacheOwner t_cacheOwner;

}  // namespace

ChainePoolInit::ChainePoolInit() {
    if (!g_made) new (g_storage) ChainePool();
    g_made = true;
}

ChainePool& ChainePool::Instance() {
    return *std::launder(reinterpret_cast<ChainePool*>(g_storage));
}

ChainePool::~ChainePool() {
    for (void* chunk : m_chunks) platform::PageAllocator::Free(chunk, kChunkBytes);
}

bool ChainePool::AddChunk() {
    auto* chunk = static_cast<unsigned char*>(platform::PageAllocator::Allocate(kChunkBytes));
    if (!chunk) return false;
    m_chunks.push_back(chunk);
    // Link every block of the chunk at once, the first one at the head.
    for (std::size_t i = kBlocksPerChunk; i-- > 0;) {
        unsigned char* block = chunk + i * kBlockBytes;
        Link(block, m_free);
        m_free = block;
    }
    return true;
}

void ChainePool::RefillThreadCache() {
    std::lock_guard<std::mutex> guard(m_lock);
    for (unsigned i = 0; i < kBatch; ++i) {
        if (!m_free && !AddChunk()) return;
        unsigned char* block = m_free;
        m_free = Next(block);
        Link(block, t_cache.head);
        t_cache.head = block;
        ++t_cache.count;
    }
}

void ChainePool::SpillThreadCache(unsigned count) {
    std::lock_guard<std::mutex> guard(m_lock);
    for (unsigned i = 0; i < count && t_cache.head; ++i) {
        unsigned char* block = t_cache.head;
        t_cache.head = Next(block);
        --t_cache.count;
        Link(block, m_free);
        m_free = block;
    }
}

void ChainePool::ReleaseThreadCache() {
    SpillThreadCache(t_cache.count);
    t_cache.closed = true;
}

void* ChainePool::Allocate() {
    if (t_cache.closed) {  // a string made while the thread ends
        std::lock_guard<std::mutex> guard(m_lock);
        if (!m_free && !AddChunk()) return nullptr;
        unsigned char* block = m_free;
        m_free = Next(block);
        return block;
    }
    if (!t_cache.registered) {
        t_cache.registered = true;
        (void)&t_cacheOwner;  // makes the owner exist, so that it runs at thread exit
    }
    if (!t_cache.head) RefillThreadCache();
    unsigned char* block = t_cache.head;
    if (!block) return nullptr;
    t_cache.head = Next(block);
    --t_cache.count;
    return block;
}

void ChainePool::Free(void* block) {
    auto* b = static_cast<unsigned char*>(block);
    if (t_cache.closed || !t_cache.registered) {
        std::lock_guard<std::mutex> guard(m_lock);
        Link(b, m_free);
        m_free = b;
        return;
    }
    Link(b, t_cache.head);
    t_cache.head = b;
    if (++t_cache.count > 2 * kBatch) SpillThreadCache(kBatch);
}
