#pragma once
#include <cstddef>
#include <new>
#include <utility>
#include <vector>

// A growable array whose elements never move: each lives in a block of its own
// and the array keeps an index of pointers. Removing an element keeps its block
// for the next addition. One thread at a time.
template <typename T>
class PTableau {
public:
    // growStep 0: grow by 4 below 32 elements, by count / 8 below 32769, else by 1024.
    explicit PTableau(std::size_t growStep = 0) : m_growStep(growStep) {}
    ~PTableau() {
        RemoveAll();
        for (void* slot : m_slots) ::operator delete(slot);
    }
    PTableau(const PTableau&) = delete;
    PTableau& operator=(const PTableau&) = delete;

    std::size_t GetCount() const { return m_count; }
    std::size_t GetCapacity() const { return m_slots.capacity(); }
    T& operator[](std::size_t i) { return *At(i); }
    const T& operator[](std::size_t i) const { return *At(i); }

    // Appends a copy and returns its index.
    std::size_t Add(T value) {
        if (m_count == m_slots.size()) {
            if (m_slots.size() == m_slots.capacity()) m_slots.reserve(m_slots.size() + GrowBy(1));
            m_slots.push_back(::operator new(sizeof(T)));
        }
        new (m_slots[m_count]) T(std::move(value));
        return m_count++;
    }

    void RemoveAt(std::size_t i) {
        At(i)->~T();
        void* freed = m_slots[i];
        for (std::size_t k = i; k + 1 < m_count; ++k) m_slots[k] = m_slots[k + 1];
        m_slots[--m_count] = freed;
    }

    void RemoveAll() {
        while (m_count > 0) At(--m_count)->~T();
    }

private:
    T* At(std::size_t i) const { return std::launder(static_cast<T*>(m_slots[i])); }

    std::size_t GrowBy(std::size_t needed) const {
        std::size_t step = m_growStep;
        if (step == 0) step = m_count < 32 ? 4 : m_count < 32769 ? m_count / 8 : 1024;
        return step < needed ? needed : step;
    }

    std::size_t m_growStep;
    std::size_t m_count = 0;
    std::vector<void*> m_slots;  // [0, m_count) live elements, then free blocks
};
