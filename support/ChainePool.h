#pragma once
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

// Small text blocks for Chaine: each holds the 12-byte header and 64 character
// bytes. Blocks are reserved 512 at a time in chunks of whole pages that are
// only given back when a pool is destroyed. The program's pool never is: a
// thread it no longer waits for (a question to a share that does not answer)
// may free its texts while the program ends, or after.
//
// Any thread. The shared free list is guarded by one lock; in front of it each
// thread keeps a few blocks of its own, moved to and from the shared list in
// batches, so that threads making short strings at once rarely meet there.
class ChainePool {
public:
    static constexpr uint32_t kBlockCapacity = 64;
    static constexpr std::size_t kHeaderBytes = 12;
    static constexpr std::size_t kBlockBytes = kHeaderBytes + kBlockCapacity;
    static constexpr std::size_t kBlocksPerChunk = 512;
    static constexpr unsigned kBatch = 32;

    static ChainePool& Instance();

    // A block of kBlockBytes, aligned for the header; null when the system has
    // no memory left.
    void* Allocate();
    void Free(void* block);

    ChainePool() = default;
    ~ChainePool();
    ChainePool(const ChainePool&) = delete;
    ChainePool& operator=(const ChainePool&) = delete;

    // Gives the calling thread's blocks back to the shared list (at thread exit).
    void ReleaseThreadCache();

private:
    bool AddChunk();
    void RefillThreadCache();
    void SpillThreadCache(unsigned count);

    std::mutex m_lock;
    // Blocks are 76 bytes apart, so the link inside a free block is not aligned
    // for a pointer: it is read and written with memcpy.
    unsigned char* m_free = nullptr;
    std::vector<void*> m_chunks;
};

// Creates the pool before the first Chaine of any translation unit that
// includes Chaine.h is built.
class ChainePoolInit {
public:
    ChainePoolInit();
};

static ChainePoolInit s_chainePoolInit;
