#pragma once
#include <mutex>

// A re-entrant lock: the thread that holds it may take it again.
class CCriticalSection {
public:
    void Lock() { m_mutex.lock(); }
    void Unlock() { m_mutex.unlock(); }

private:
    std::recursive_mutex m_mutex;
};

// Holds a CCriticalSection for the lifetime of the guard.
class CriticalSectionGuard {
public:
    explicit CriticalSectionGuard(CCriticalSection& cs) : m_cs(cs) { m_cs.Lock(); }
    ~CriticalSectionGuard() { m_cs.Unlock(); }
    CriticalSectionGuard(const CriticalSectionGuard&) = delete;
    CriticalSectionGuard& operator=(const CriticalSectionGuard&) = delete;

private:
    CCriticalSection& m_cs;
};
