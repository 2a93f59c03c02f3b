#include "report/result/HtmlText.h"

#include <charconv>

std::string HtmlText::Escape(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&': escaped += "&amp;"; break;
            case '<': escaped += "&lt;"; break;
            case '>': escaped += "&gt;"; break;
            case '"': escaped += "&quot;"; break;
            case '\'': escaped += "&#39;"; break;
            default: escaped += c;
        }
    }
    return escaped;
}

std::string HtmlText::Grouped(uint64_t number) {
    const std::string digits = std::to_string(number);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped += "\u00a0";
        grouped += digits[i];
    }
    return grouped;
}

std::string HtmlText::Decimal(double value, int decimals, bool comma) {
    char text[64];
    const auto end =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals).ptr;
    std::string decimal(text, end);
    if (comma) {
        for (char& c : decimal) c = c == '.' ? ',' : c;
    }
    return decimal;
}
