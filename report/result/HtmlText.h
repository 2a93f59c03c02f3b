#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// Pieces of the HTML report's text, in UTF-8, whatever the locale of the
// process (the wizard's is set from the desktop's). Any thread.
class HtmlText {
public:
    // The text with & < > " ' as character references: safe as an
    // element's content and inside a quoted attribute.
    static std::string Escape(std::string_view text);
    // "1 234 567", digits grouped by three with a no-break space.
    static std::string Grouped(uint64_t number);
    // `value` with `decimals` digits after a decimal comma ("12,5"), or with
    // a point for SVG's coordinates.
    static std::string Decimal(double value, int decimals, bool comma = true);
};
