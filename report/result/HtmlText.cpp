#include "report/result/HtmlText.h"

#include <charconv>
#include <system_error>

#include "support/NumberText.h"

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

std::string HtmlText::Grouped(uint64_t number) { return FormatGroupedNumber(number).ToUtf8(); }

std::string HtmlText::Decimal(double value, int decimals, bool comma) {
    // Room for the largest double written out whole.
    char text[400];
    const auto [end, error] =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    std::string decimal(text, error == std::errc() ? end : text);
    if (comma) {
        for (char& c : decimal) c = c == '.' ? ',' : c;
    }
    return decimal;
}
