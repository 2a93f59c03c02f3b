#include "support/Wildcard.h"

#include <string_view>
#include <vector>

#include "support/CaseFolding.h"

namespace {

class Matcher {
public:
    Matcher(std::string_view text, std::string_view pattern, bool ignoreCase, bool wholeText)
        : m_text(text), m_pattern(pattern), m_ignoreCase(ignoreCase), m_wholeText(wholeText) {}

    // Number of characters matched from (t, p), or -1. Star captures of the
    // successful path are appended to `captures`.
    long Match(std::size_t t, std::size_t p, std::vector<std::string_view>* captures) const {
        while (p < m_pattern.size()) {
            const char pc = m_pattern[p];
            if (pc == '*') {
                while (p < m_pattern.size() && m_pattern[p] == '*') ++p;
                if (p == m_pattern.size()) {
                    captures->push_back(m_text.substr(t));
                    return static_cast<long>(m_text.size());
                }
                for (std::size_t k = t; k <= m_text.size(); ++k) {
                    std::vector<std::string_view> inner;
                    const long r = Match(k, p, &inner);
                    if (r >= 0) {
                        captures->push_back(m_text.substr(t, k - t));
                        captures->insert(captures->end(), inner.begin(), inner.end());
                        return r;
                    }
                }
                return -1;
            }
            if (t >= m_text.size()) return -1;
            const auto c = static_cast<unsigned char>(m_text[t]);
            if (pc == '?') {
                ++p;
            } else if (pc == '#') {
                if (c < '0' || c > '9') return -1;
                ++p;
            } else if (pc == '[') {
                if (!MatchSet(c, &p)) return -1;
            } else {
                if (pc == '`' && p + 1 < m_pattern.size()) ++p;
                if (!Same(c, static_cast<unsigned char>(m_pattern[p]))) return -1;
                ++p;
            }
            ++t;
        }
        if (m_wholeText && t < m_text.size()) return -1;
        return static_cast<long>(t);
    }

private:
    bool Same(unsigned char a, unsigned char b) const {
        return m_ignoreCase ? CaseFolding::Fold(a) == CaseFolding::Fold(b) : a == b;
    }

    // A set from *p ('[') to its ']', which *p is moved past.
    bool MatchSet(unsigned char c, std::size_t* p) const {
        std::size_t i = *p + 1;
        const bool negate = i < m_pattern.size() && m_pattern[i] == '!';
        if (negate) ++i;
        bool found = false;
        while (i < m_pattern.size() && m_pattern[i] != ']') {
            if (m_pattern[i] == '`' && i + 1 < m_pattern.size()) ++i;
            const auto low = static_cast<unsigned char>(m_pattern[i]);
            if (i + 2 < m_pattern.size() && m_pattern[i + 1] == '-' && m_pattern[i + 2] != ']') {
                const auto high = static_cast<unsigned char>(m_pattern[i + 2]);
                const unsigned char fc = m_ignoreCase ? CaseFolding::Fold(c) : c;
                const unsigned char fl = m_ignoreCase ? CaseFolding::Fold(low) : low;
                const unsigned char fh = m_ignoreCase ? CaseFolding::Fold(high) : high;
                if ((c >= low && c <= high) || (fc >= fl && fc <= fh)) found = true;
                i += 3;
            } else {
                if (Same(c, low)) found = true;
                ++i;
            }
        }
        *p = i < m_pattern.size() ? i + 1 : i;
        return found != negate;
    }

    std::string_view m_text;
    std::string_view m_pattern;
    bool m_ignoreCase;
    bool m_wholeText;
};

}  // namespace

int MatchWildcard(const Chaine& text, const Chaine& pattern, bool ignoreCase, bool wholeText,
                  PTableau<Chaine>* captures) {
    if (text.IsEmpty()) return 0;
    std::vector<std::string_view> found;
    const long matched =
        Matcher(text.View(), pattern.View(), ignoreCase, wholeText).Match(0, 0, &found);
    if (matched <= 0) return 0;
    if (captures) {
        for (std::string_view part : found) captures->Add(Chaine(part));
    }
    return static_cast<int>(matched);
}
