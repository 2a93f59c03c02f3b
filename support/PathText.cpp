#include "support/PathText.h"

#include <cstring>

namespace {

constexpr const char* kInvalidNameChars = "\\/:*?\"<>|";

// Index of the last separator or colon, npos when there is none.
std::size_t LastSplit(std::string_view p) { return p.find_last_of("\\/:"); }

}  // namespace

Chaine PathText::GetRoot(const Chaine& path) {
    const std::string_view p = path.View();
    if (p.empty()) return Chaine();
    if (!IsSeparator(p[0])) {
        if (p.size() < 2 || p[1] != ':') return Chaine();
        return Chaine(p.substr(0, p.size() > 2 && IsSeparator(p[2]) ? 3 : 2));
    }
    if (p.size() < 2 || !IsSeparator(p[1])) return Chaine("\\");
    // A share: \\server\share\ ...
    const std::size_t server = p.find_first_of("\\/", 2);
    if (server == std::string_view::npos) return Chaine();
    const std::size_t share = p.find_first_of("\\/", server + 1);
    if (share != std::string_view::npos) return Chaine(p.substr(0, share + 1));
    Chaine root(p);
    root += '\\';
    return root;
}

Chaine PathText::GetFileName(const Chaine& path) {
    const std::string_view p = path.View();
    const std::size_t split = LastSplit(p);
    return split == std::string_view::npos ? path : Chaine(p.substr(split + 1));
}

Chaine PathText::GetDirectory(const Chaine& path) {
    const std::string_view p = path.View();
    const std::size_t split = LastSplit(p);
    if (split == std::string_view::npos) return Chaine();
    // Keep a colon (X:) and a leading separator (/) that stand alone.
    if (p[split] == ':' || split == 0) return Chaine(p.substr(0, split + 1));
    return Chaine(p.substr(0, split));
}

Chaine PathText::RemoveDots(const Chaine& path) {
    const std::string_view p = path.View();
    const std::size_t rootLength = GetRoot(path).GetLength();
    if (rootLength > p.size()) return path;  // a bare share: nothing to clean
    Chaine out(p.substr(0, rootLength));
    std::string_view rest = p.substr(rootLength);
    while (!rest.empty()) {
        const std::size_t end = rest.find_first_of("\\/");
        const std::string_view part = rest.substr(0, end);
        const bool last = end == std::string_view::npos;
        rest = last ? std::string_view() : rest.substr(end + 1);
        if (part.empty() || part == ".") continue;
        out.Append(part.data(), part.size());
        if (!rest.empty() || !last) out += '/';
    }
    // "a/." cleans to "a/": a dropped last component leaves no separator behind.
    if (out.GetLength() > rootLength && (p.ends_with("/.") || p.ends_with("\\."))) {
        out = Chaine(out.View().substr(0, out.GetLength() - 1));
    }
    return out;
}

bool PathText::HasInvalidNameChar(const Chaine& path) {
    const Chaine name = GetFileName(path);
    return std::strpbrk(name.c_str(), kInvalidNameChars) != nullptr;
}

Chaine PathText::Join(const Chaine& directory, std::string_view name) {
    Chaine path = directory;
    if (path.IsEmpty() || !IsSeparator(path.View().back())) path += "/";
    return path + Chaine(name);
}
