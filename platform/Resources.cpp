#include "platform/Resources.h"

#include <cctype>
#include <map>

#include "platform/EmbeddedFile.h"
#include "platform/Encoding.h"

namespace platform {
namespace {

const EmbeddedFile* FindFile(std::string_view name) {
    for (const EmbeddedFile* f = kEmbeddedFiles; f->name; ++f) {
        if (name == f->name) return f;
    }
    return nullptr;
}

std::string Unescape(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            const char next = text[++i];
            out += next == 'n' ? '\n' : next == 't' ? '\t' : next;
        } else {
            out += text[i];
        }
    }
    return out;
}

// strings.tsv, parsed once: "id<TAB>text" lines, '#' comments.
std::map<unsigned, std::string> ParseStringTable() {
    std::map<unsigned, std::string> table;
    const EmbeddedFile* f = FindFile("strings.tsv");
    if (!f) return table;
    std::string_view all(reinterpret_cast<const char*>(f->data), f->size);
    while (!all.empty()) {
        const auto end = all.find('\n');
        std::string_view line = all.substr(0, end);
        all = end == std::string_view::npos ? std::string_view() : all.substr(end + 1);
        const auto tab = line.find('\t');
        if (line.empty() || line[0] == '#' || tab == std::string_view::npos) continue;
        unsigned id = 0;
        for (char c : line.substr(0, tab)) id = id * 10 + static_cast<unsigned>(c - '0');
        table[id] = Encoding::Utf8ToAnsi(Unescape(line.substr(tab + 1)));
    }
    return table;
}

}  // namespace

bool Resources::FindString(unsigned id, std::string* ansi) {
    // Never destroyed: a test thread may still ask while the process exits.
    static const auto& table = *new std::map<unsigned, std::string>(ParseStringTable());
    const auto it = table.find(id);
    if (it == table.end()) {
        ansi->clear();
        return false;
    }
    *ansi = it->second;
    return true;
}

bool Resources::FindDocument(unsigned id, std::string_view type, std::string_view* bytes) {
    std::string name = std::to_string(id) + ".";
    for (char c : type) name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const EmbeddedFile* f = FindFile(name);
    if (!f) return false;
    *bytes = std::string_view(reinterpret_cast<const char*>(f->data), f->size);
    return true;
}

}  // namespace platform
