#include "support/RtfReader.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>

namespace {

struct Style {
    bool bold = false;
    bool italic = false;
    int halfPoints = 24;
    int colorIndex = 0;
    int fontIndex = 0;
    // What the group's text is for: shown, skipped (unknown destinations,
    // bullet texts) or collected into the font or colour table.
    enum Destination { kText, kSkip, kFontTable, kColorTable } destination = kText;
};

class Parser {
public:
    explicit Parser(std::string_view rtf) : m_in(rtf) {}

    std::vector<RtfParagraph> Run() {
        m_paragraphs.emplace_back();
        while (m_pos < m_in.size()) {
            const char c = m_in[m_pos++];
            if (c == '{') {
                m_stack.push_back(m_style);
                m_groupStart = true;
                continue;
            }
            if (c == '}') {
                EndGroup();
            } else if (c == '\\') {
                ControlWord();
            } else if (c != '\r' && c != '\n') {
                Text(c);
            }
            m_groupStart = false;
        }
        if (m_paragraphs.back().runs.empty()) m_paragraphs.pop_back();
        return std::move(m_paragraphs);
    }

private:
    void EndGroup() {
        if (m_style.destination == Style::kFontTable && !m_fontName.empty()) {
            // "Arial;" ends a font entry.
            while (!m_fontName.empty() && (m_fontName.back() == ';' || m_fontName.back() == ' ')) {
                m_fontName.pop_back();
            }
            SetFont(m_fontEntry, m_fontName);
            m_fontName.clear();
        }
        if (m_stack.empty()) return;  // a stray '}': ignored
        m_style = m_stack.back();
        m_stack.pop_back();
    }

    void ControlWord() {
        if (m_pos >= m_in.size()) return;
        const char c = m_in[m_pos];
        if (c == '\\' || c == '{' || c == '}') {
            ++m_pos;
            Text(c);
            return;
        }
        if (c == '\'') {
            ++m_pos;
            int value = 0;
            int digits = 0;
            while (digits < 2 && m_pos < m_in.size() &&
                   std::isxdigit(static_cast<unsigned char>(m_in[m_pos]))) {
                value = value * 16 + Hex(m_in[m_pos++]);
                ++digits;
            }
            if (digits > 0) Text(static_cast<char>(value));
            return;
        }
        if (c == '*') {  // an optional destination: skipped unless known
            ++m_pos;
            m_style.destination = Style::kSkip;
            return;
        }
        if (!std::isalpha(static_cast<unsigned char>(c))) {
            ++m_pos;  // control symbols such as \~ or \- : a blank or nothing
            if (c == '~') Text(' ');
            return;
        }
        std::string word;
        while (m_pos < m_in.size() && std::isalpha(static_cast<unsigned char>(m_in[m_pos])) &&
               word.size() < 32) {
            word += m_in[m_pos++];
        }
        bool hasParam = false;
        long param = 0;
        bool negative = false;
        if (m_pos < m_in.size() && m_in[m_pos] == '-') {
            negative = true;
            ++m_pos;
        }
        int digits = 0;
        while (m_pos < m_in.size() && std::isdigit(static_cast<unsigned char>(m_in[m_pos]))) {
            if (digits++ < 9) param = param * 10 + (m_in[m_pos] - '0');
            ++m_pos;
            hasParam = true;
        }
        if (negative) param = -param;
        if (m_pos < m_in.size() && m_in[m_pos] == ' ') ++m_pos;  // the delimiter
        Apply(word, hasParam, static_cast<int>(param));
    }

    void Apply(const std::string& w, bool hasParam, int p) {
        const bool on = !hasParam || p != 0;
        if (w == "b")
            m_style.bold = on;
        else if (w == "i")
            m_style.italic = on;
        else if (w == "fs" && hasParam && p > 0)
            m_style.halfPoints = p;
        else if (w == "cf")
            m_style.colorIndex = p;
        else if (w == "f") {
            if (m_style.destination == Style::kFontTable)
                m_fontEntry = p;
            else
                m_style.fontIndex = p;
        } else if (w == "plain") {
            m_style.bold = m_style.italic = false;
            m_style.halfPoints = 24;
        } else if (w == "par" || w == "line") {
            if (m_style.destination == Style::kText) m_paragraphs.emplace_back();
        } else if (w == "pard") {
            if (m_style.destination == Style::kText) m_paragraphs.back().bullet = false;
        } else if (w == "tab") {
            Text('\t');
        } else if (w == "pntext") {
            // The visible bullet of a list item: the item is marked instead.
            if (m_style.destination == Style::kText) m_paragraphs.back().bullet = true;
            m_style.destination = Style::kSkip;
        } else if (w == "fonttbl") {
            m_style.destination = Style::kFontTable;
        } else if (w == "colortbl") {
            m_style.destination = Style::kColorTable;
            m_colors.clear();  // entry 0 (the "auto" colour) comes from the first ";"
            m_pending = 0;
        } else if (w == "red" || w == "green" || w == "blue") {
            const int shift = w == "red" ? 16 : w == "green" ? 8 : 0;
            m_pending |= static_cast<uint32_t>(p & 0xFF) << shift;
        } else if (m_groupStart && (w == "info" || w == "stylesheet" || w == "pict" ||
                                    w == "header" || w == "footer" || w == "object")) {
            m_style.destination = Style::kSkip;
        } else if (w == "u" && hasParam) {
            // A Unicode character: shown as '?', the ANSI fallback that follows is skipped.
            Text('?');
            if (m_in.substr(m_pos, 2) == "\\'") {
                m_pos = std::min(m_in.size(), m_pos + 4);
            } else if (m_pos < m_in.size() && m_in[m_pos] != '\\' && m_in[m_pos] != '{' &&
                       m_in[m_pos] != '}') {
                ++m_pos;
            }
        }
    }

    void Text(char c) {
        switch (m_style.destination) {
            case Style::kSkip: return;
            case Style::kFontTable: m_fontName += c; return;
            case Style::kColorTable:
                if (c == ';') {
                    m_colors.push_back(m_pending);
                    m_pending = 0;
                }
                return;
            case Style::kText: break;
        }
        RtfParagraph& para = m_paragraphs.back();
        const uint32_t color =
            m_style.colorIndex > 0 && static_cast<std::size_t>(m_style.colorIndex) < m_colors.size()
                ? m_colors[m_style.colorIndex]
                : 0;
        const Chaine font = FontName(m_style.fontIndex);
        if (para.runs.empty() || para.runs.back().bold != m_style.bold ||
            para.runs.back().italic != m_style.italic ||
            para.runs.back().halfPoints != m_style.halfPoints || para.runs.back().color != color ||
            !(para.runs.back().font == font)) {
            para.runs.push_back(
                RtfRun{Chaine(), m_style.bold, m_style.italic, m_style.halfPoints, color, font});
        }
        para.runs.back().text += c;
    }

    void SetFont(int index, const std::string& name) {
        if (index < 0 || index > 4096) return;
        if (m_fonts.size() <= static_cast<std::size_t>(index)) m_fonts.resize(index + 1);
        m_fonts[index] = Chaine(std::string_view(name));
    }

    Chaine FontName(int index) const {
        return index >= 0 && static_cast<std::size_t>(index) < m_fonts.size() ? m_fonts[index]
                                                                              : Chaine();
    }

    static int Hex(char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; }

    std::string_view m_in;
    std::size_t m_pos = 0;
    bool m_groupStart = false;
    Style m_style;
    std::vector<Style> m_stack;
    std::vector<RtfParagraph> m_paragraphs;
    std::vector<Chaine> m_fonts;
    std::vector<uint32_t> m_colors{0};
    uint32_t m_pending = 0;
    int m_fontEntry = 0;
    std::string m_fontName;
};

}  // namespace

std::vector<RtfParagraph> RtfReader::Parse(std::string_view rtf) { return Parser(rtf).Run(); }

Chaine RtfReader::ToPlainText(const std::vector<RtfParagraph>& paragraphs) {
    Chaine text;
    for (const RtfParagraph& p : paragraphs) {
        if (p.bullet) text += "\x95 ";  // • in Windows-1252
        for (const RtfRun& r : p.runs) text += r.text;
        text += '\n';
    }
    return text;
}
