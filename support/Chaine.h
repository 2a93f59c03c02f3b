#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "support/ChainePool.h"

// The program's string: 8-bit Windows-1252 text in a reference-counted,
// copy-on-write block (a 12-byte header, then the characters and a NUL).
//
// Threads: blocks come from a pool that any thread may use, but reference
// counts are not atomic. A value may be shared only among Chaine objects used
// by one thread at a time; hand another thread a PrivateCopy() or guard the
// shared value with the caller's own lock.
class Chaine {
public:
    Chaine();
    // A pointer below 65536 is a string-table identifier (see ResourceId): the
    // Chaine then holds that entry, or stays empty for 0. Null gives empty.
    Chaine(const char* text);  // NOLINT(google-explicit-constructor): literals read naturally
    Chaine(const char* text, std::size_t length);
    explicit Chaine(std::string_view text);
    Chaine(const Chaine& other);
    Chaine(Chaine&& other) noexcept;
    Chaine& operator=(const Chaine& other);
    Chaine& operator=(Chaine&& other) noexcept;
    ~Chaine();

    // The pointer that stands for a string-table identifier.
    static const char* ResourceId(unsigned id);

    std::size_t GetLength() const { return Head()->size - 1; }
    bool IsEmpty() const { return Head()->size == 1; }
    const char* c_str() const { return m_text; }
    std::string_view View() const { return {m_text, GetLength()}; }
    char operator[](std::size_t i) const { return m_text[i]; }
    void SetAt(std::size_t i, char c);

    // A copy that shares no block with this one, for another thread.
    Chaine PrivateCopy() const;

    void Empty();
    Chaine& Append(const char* text, std::size_t length);
    Chaine& operator+=(const Chaine& other) { return Append(other.m_text, other.GetLength()); }
    Chaine& operator+=(const char* text);
    Chaine& operator+=(char c) { return Append(&c, 1); }
    friend Chaine operator+(const Chaine& a, const Chaine& b);
    friend bool operator==(const Chaine& a, const Chaine& b) { return a.View() == b.View(); }
    friend bool operator==(const Chaine& a, const char* b) { return a.View() == b; }

    // printf conventions; "%I64d"/"%I64u"/"%I64x" take 64-bit items. The text
    // is measured before it is printed, so no argument can overflow it.
    Chaine& Format(const char* format, ...);
    Chaine& FromInteger(int32_t value);
    // Blanks removed, then read like atoi (leading sign, digits); no digits
    // gives 0, values beyond 32 bits saturate.
    int32_t ToInteger() const;
    void ReplaceChar(char from, char to, std::size_t start = 0);
    void ReplaceAll(const Chaine& find, const Chaine& replacement, bool ignoreCase,
                    std::size_t start = 0);
    void EscapeToRtf();

    bool LoadResourceString(unsigned id);
    bool LoadResourceText(unsigned id, const char* type);
    void GetSystemErrorText(uint32_t code);

    // For the operating system and the terminal.
    std::string ToUtf8() const;
    static Chaine FromUtf8(std::string_view utf8);

private:
    struct Header {
        uint32_t refs;
        uint32_t size;  // characters plus the NUL
        uint32_t capacity;
    };
    static_assert(sizeof(Header) == ChainePool::kHeaderBytes);

    Header* Head() const { return reinterpret_cast<Header*>(m_text) - 1; }
    bool IsStaticEmpty() const;
    static char* AllocateBlock(uint32_t capacity);
    static void Release(char* text);
    void AttachEmpty();
    // Gives this Chaine a block of its own whose size is newSize, growing the
    // block by the growth rule when needed. Characters up to the old size stay.
    void Resize(uint32_t newSize);
    void Assign(const char* text, std::size_t length);

    char* m_text;
};
