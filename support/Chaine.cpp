#include "support/Chaine.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/Encoding.h"
#include "platform/Resources.h"
#include "platform/SystemError.h"
#include "support/CaseFolding.h"

namespace {

// The one empty block. Its reference count is never changed: every thread
// points at it, and it is never released.
struct EmptyBlock {
    uint32_t refs = 1;
    uint32_t size = 1;
    uint32_t capacity = 1;
    char text[4] = {};
};
EmptyBlock g_empty;

constexpr uintptr_t kResourceIdLimit = 65536;

// Rewrites the 64-bit item prefixes of the Windows runtime ("%I64u") into
// their C equivalents ("%llu"); "%I32" loses its prefix, "%I" becomes "%z".
// The result never is longer than the format.
void TranslateFormat(const char* format, char* out) {
    for (const char* p = format; *p; ++p) {
        *out++ = *p;
        if (*p != '%') continue;
        ++p;
        while (*p && std::strchr("-+ #0123456789.*", *p)) *out++ = *p++;
        if (!*p) break;
        if (std::strncmp(p, "I64", 3) == 0) {
            *out++ = 'l', *out++ = 'l';
            p += 2;
        } else if (std::strncmp(p, "I32", 3) == 0) {
            p += 2;
        } else if (*p == 'I') {
            *out++ = 'z';
        } else {
            *out++ = *p;
        }
    }
    *out = '\0';
}

}  // namespace

Chaine::Chaine() : m_text(g_empty.text) {}

Chaine::Chaine(const char* text) : m_text(g_empty.text) {
    const auto value = reinterpret_cast<uintptr_t>(text);
    if (value == 0) return;
    if (value < kResourceIdLimit) {
        LoadResourceString(static_cast<unsigned>(value));
    } else {
        Assign(text, std::strlen(text));
    }
}

Chaine::Chaine(const char* text, std::size_t length) : m_text(g_empty.text) {
    Assign(text, length);
}

Chaine::Chaine(std::string_view text) : m_text(g_empty.text) { Assign(text.data(), text.size()); }

Chaine::Chaine(const Chaine& other) : m_text(other.m_text) {
    if (!IsStaticEmpty()) ++Head()->refs;
}

Chaine::Chaine(Chaine&& other) noexcept : m_text(other.m_text) { other.m_text = g_empty.text; }

Chaine& Chaine::operator=(const Chaine& other) {
    if (m_text != other.m_text) {
        Chaine copy(other);
        std::swap(m_text, copy.m_text);
    }
    return *this;
}

Chaine& Chaine::operator=(Chaine&& other) noexcept {
    std::swap(m_text, other.m_text);
    return *this;
}

Chaine::~Chaine() { Release(m_text); }

const char* Chaine::ResourceId(unsigned id) {
    return reinterpret_cast<const char*>(static_cast<uintptr_t>(id));
}

bool Chaine::IsStaticEmpty() const { return m_text == g_empty.text; }

char* Chaine::AllocateBlock(uint32_t capacity) {
    void* block;
    if (capacity <= ChainePool::kBlockCapacity) {
        block = ChainePool::Instance().Allocate();
        capacity = ChainePool::kBlockCapacity;  // even: from the pool
    } else {
        capacity |= 1;  // odd: from the heap
        block = std::malloc(sizeof(Header) + capacity);
    }
    if (!block) throw std::bad_alloc();
    auto* h = static_cast<Header*>(block);
    h->refs = 1;
    h->size = 1;
    h->capacity = capacity;
    char* text = reinterpret_cast<char*>(h + 1);
    text[0] = '\0';
    return text;
}

void Chaine::Release(char* text) {
    if (text == g_empty.text) return;
    Header* h = reinterpret_cast<Header*>(text) - 1;
    if (--h->refs != 0) return;
    if (h->capacity % 2 == 0) {
        ChainePool::Instance().Free(h);
    } else {
        std::free(h);
    }
}

void Chaine::AttachEmpty() {
    Release(m_text);
    m_text = g_empty.text;
}

void Chaine::Resize(uint32_t newSize) {
    if (IsStaticEmpty() || Head()->refs > 1) {
        const uint32_t size = Head()->size;
        char* copy = AllocateBlock(size);
        std::memcpy(copy, m_text, size);
        (reinterpret_cast<Header*>(copy) - 1)->size = size;
        Release(m_text);
        m_text = copy;
    }
    Header* h = Head();
    if (newSize > h->capacity) {
        const uint32_t old = h->capacity;
        uint32_t capacity;
        if (old < 256) {
            capacity = newSize;
        } else if (newSize >= 2 * old || old >= 32768) {
            capacity = newSize + 32768;
        } else {
            capacity = 2 * old;
        }
        char* bigger = AllocateBlock(capacity);
        std::memcpy(bigger, m_text, h->size < newSize ? h->size : newSize);
        Release(m_text);
        m_text = bigger;
        h = Head();
    }
    h->size = newSize;
    m_text[newSize - 1] = '\0';
}

void Chaine::Assign(const char* text, std::size_t length) {
    if (length == 0) {
        AttachEmpty();
        return;
    }
    Chaine fresh;
    fresh.Resize(static_cast<uint32_t>(length + 1));
    std::memcpy(fresh.m_text, text, length);
    std::swap(m_text, fresh.m_text);
}

void Chaine::SetAt(std::size_t i, char c) {
    Resize(Head()->size);
    m_text[i] = c;
}

Chaine Chaine::PrivateCopy() const { return Chaine(m_text, GetLength()); }

void Chaine::Empty() { AttachEmpty(); }

Chaine& Chaine::Append(const char* text, std::size_t length) {
    if (length == 0) return *this;
    const std::size_t old = GetLength();
    if (text >= m_text && text < m_text + old) {
        const Chaine keep(*this);  // appending a part of itself: keep the source alive
        Resize(static_cast<uint32_t>(old + length + 1));
        std::memmove(m_text + old, keep.m_text + (text - keep.m_text), length);
        return *this;
    }
    Resize(static_cast<uint32_t>(old + length + 1));
    std::memcpy(m_text + old, text, length);
    return *this;
}

Chaine& Chaine::operator+=(const char* text) { return Append(text, std::strlen(text)); }

Chaine operator+(const Chaine& a, const Chaine& b) {
    Chaine sum(a);
    sum += b;
    return sum;
}

Chaine& Chaine::Format(const char* format, ...) {
    // Only formats with Windows size prefixes need rewriting.
    const char* fmt = format;
    char stackCopy[256];
    std::string heapCopy;
    if (std::strchr(format, 'I')) {
        const std::size_t length = std::strlen(format);
        char* out = stackCopy;
        if (length >= sizeof stackCopy) {
            heapCopy.resize(length);
            out = heapCopy.data();
        }
        TranslateFormat(format, out);
        fmt = out;
    }
    va_list args;
    va_start(args, format);
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, fmt, measure);
    va_end(measure);
    Chaine out;
    if (length > 0) {
        out.Resize(static_cast<uint32_t>(length) + 1);
        std::vsnprintf(out.m_text, static_cast<std::size_t>(length) + 1, fmt, args);
    }
    va_end(args);
    std::swap(m_text, out.m_text);
    return *this;
}

Chaine& Chaine::FromInteger(int32_t value) { return Format("%d", value); }

int32_t Chaine::ToInteger() const {
    const char* p = m_text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;  // atoi's leading white space
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    int64_t value = 0;
    for (; *p; ++p) {
        if (*p == ' ') continue;  // blanks do not count anywhere
        if (*p < '0' || *p > '9') break;
        value = value * 10 + (*p - '0');
        if (value > int64_t{INT32_MAX} + 1) value = int64_t{INT32_MAX} + 1;
    }
    if (negative) value = -value;
    if (value > INT32_MAX) value = INT32_MAX;
    return static_cast<int32_t>(value);
}

void Chaine::ReplaceChar(char from, char to, std::size_t start) {
    const std::size_t length = GetLength();
    for (std::size_t i = start; i < length; ++i) {
        if (m_text[i] == from) SetAt(i, to);
    }
}

void Chaine::ReplaceAll(const Chaine& find, const Chaine& replacement, bool ignoreCase,
                        std::size_t start) {
    if (find.m_text == replacement.m_text || find == replacement || find.IsEmpty()) return;
    const std::size_t n = find.GetLength();
    const unsigned char first = static_cast<unsigned char>(find.m_text[0]);
    const unsigned char firstFolded = CaseFolding::Fold(first);
    auto matchesAt = [&](const char* text, std::size_t length, std::size_t pos) {
        if (pos + n > length) return false;
        const auto c = static_cast<unsigned char>(text[pos]);
        if (ignoreCase ? CaseFolding::Fold(c) != firstFolded : c != first) return false;
        for (std::size_t k = 1; k < n; ++k) {
            const auto a = static_cast<unsigned char>(text[pos + k]);
            const auto b = static_cast<unsigned char>(find.m_text[k]);
            if (ignoreCase ? CaseFolding::Fold(a) != CaseFolding::Fold(b) : a != b) return false;
        }
        return true;
    };
    const std::size_t length = GetLength();
    if (n == replacement.GetLength()) {
        for (std::size_t pos = start; pos < length; ++pos) {
            if (matchesAt(m_text, length, pos)) {
                Resize(Head()->size);
                std::memcpy(m_text + pos, replacement.m_text, n);
            }
        }
        return;
    }
    if (start >= length) return;
    // Two passes: count the matches, then build the result in one block.
    std::size_t matches = 0;
    for (std::size_t pos = start; pos < length;) {
        if (matchesAt(m_text, length, pos)) {
            ++matches;
            pos += n;
        } else {
            ++pos;
        }
    }
    if (matches == 0) return;
    Chaine out;
    out.Resize(static_cast<uint32_t>(length - matches * n + matches * replacement.GetLength() + 1));
    char* dst = out.m_text;
    std::memcpy(dst, m_text, start);
    dst += start;
    for (std::size_t pos = start; pos < length;) {
        if (matchesAt(m_text, length, pos)) {
            std::memcpy(dst, replacement.m_text, replacement.GetLength());
            dst += replacement.GetLength();
            pos += n;
        } else {
            *dst++ = m_text[pos++];
        }
    }
    std::swap(m_text, out.m_text);
}

void Chaine::EscapeToRtf() {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    const std::size_t length = GetLength();
    // Two passes: measure, then write into one block of the exact size. A NUL
    // has no place in a document and is dropped like a carriage return.
    std::size_t size = 0;
    bool changes = false;
    for (std::size_t i = 0; i < length; ++i) {
        const auto c = static_cast<unsigned char>(m_text[i]);
        switch (c) {
            case '\n':
            case '\t': size += 5, changes = true; break;
            case '\r':
            case '\0': changes = true; break;
            case '\\':
            case '{':
            case '}': size += 2, changes = true; break;
            default: size += c >= 0x80 ? 4 : 1; changes |= c >= 0x80;
        }
    }
    if (!changes) return;
    Chaine out;
    if (size > 0) out.Resize(static_cast<uint32_t>(size + 1));
    char* dst = out.m_text;
    for (std::size_t i = 0; i < length; ++i) {
        const auto c = static_cast<unsigned char>(m_text[i]);
        switch (c) {
            case '\n': std::memcpy(dst, "\\par ", 5), dst += 5; break;
            case '\t': std::memcpy(dst, "\\tab ", 5), dst += 5; break;
            case '\r':
            case '\0': break;
            case '\\':
            case '{':
            case '}': *dst++ = '\\', *dst++ = static_cast<char>(c); break;
            default:
                if (c >= 0x80) {
                    *dst++ = '\\', *dst++ = '\'';
                    *dst++ = kDigits[c >> 4], *dst++ = kDigits[c & 0xF];
                } else {
                    *dst++ = static_cast<char>(c);
                }
        }
    }
    std::swap(m_text, out.m_text);
}

bool Chaine::LoadResourceString(unsigned id) {
    std::string text;
    platform::Resources::FindString(id, &text);
    Assign(text.data(), text.size());
    return !IsEmpty();
}

bool Chaine::LoadResourceText(unsigned id, const char* type) {
    std::string_view bytes;
    if (!platform::Resources::FindDocument(id, type, &bytes) || bytes.empty()) {
        AttachEmpty();
        return false;
    }
    Assign(bytes.data(), bytes.size());
    return true;
}

void Chaine::GetSystemErrorText(uint32_t code) {
    std::string text;
    platform::SystemError::Message(code, &text);
    Assign(text.data(), text.size());
}

std::string Chaine::ToUtf8() const { return platform::Encoding::AnsiToUtf8(View()); }

Chaine Chaine::FromUtf8(std::string_view utf8) {
    return Chaine(std::string_view(platform::Encoding::Utf8ToAnsi(utf8)));
}
