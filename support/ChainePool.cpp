#include "support/ChainePool.h"

#include <cstring>
#include <new>

#include "platform/PageAllocator.h"

namespace {

constexpr std::size_t kChunkBytes = ChainePool::kBlockBytes * ChainePool::kBlocksPerChunk;

int g_initCount = 0;  // only touched during static initialisation and exit
alignas(ChainePool) unsigned char g_storage[sizeof(ChainePool)];

}  // namespace

ChainePoolInit::ChainePoolInit() {
    if (g_initCount++ == 0) new (g_storage) ChainePool();
}

ChainePoolInit::~ChainePoolInit() {
    if (--g_initCount == 0) ChainePool::Instance().~ChainePool();
}

ChainePool& ChainePool::Instance() { return *std::launder(reinterpret_cast<ChainePool*>(g_storage)); }

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
        std::memcpy(block, &m_free, sizeof m_free);
        m_free = block;
    }
    return true;
}

void* ChainePool::Allocate() {
    CriticalSectionGuard guard(m_lock);
    if (!m_free && !AddChunk()) return nullptr;
    unsigned char* block = m_free;
    std::memcpy(&m_free, block, sizeof m_free);
    return block;
}

void ChainePool::Free(void* block) {
    CriticalSectionGuard guard(m_lock);
    std::memcpy(block, &m_free, sizeof m_free);
    m_free = static_cast<unsigned char*>(block);
}
