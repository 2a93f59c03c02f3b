#include "support/NumberText.h"

Chaine FormatGroupedNumber(uint64_t value) {
    Chaine digits;
    digits.Format("%I64u", value);
    Chaine text;
    const std::size_t length = digits.GetLength();
    for (std::size_t i = 0; i < length; ++i) {
        if (i != 0 && (length - i) % 3 == 0) text += '\xA0';
        text += digits[i];
    }
    return text;
}
