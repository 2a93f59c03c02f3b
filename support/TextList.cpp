#include "support/TextList.h"

std::vector<Chaine> SplitText(const Chaine& text, char separator) {
    std::vector<Chaine> pieces;
    std::string_view rest = text.View();
    for (;;) {
        const std::size_t end = rest.find(separator);
        pieces.emplace_back(rest.substr(0, end));
        if (end == std::string_view::npos) return pieces;
        rest.remove_prefix(end + 1);
    }
}
