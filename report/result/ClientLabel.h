#pragma once
#include <string>
#include <string_view>

// The name a client goes by in a fleet's results (UTF-8). Names that a
// person would read as one are one name: they are compared after Unicode
// compatibility normalisation and case folding, without the blanks around
// them, and by what they look like (a Cyrillic "а" stands for a Latin "a").
// Any thread.
class ClientLabel {
public:
    // The key two names share when they stand for one client; false, with a
    // French reason in `why`, for a name that is not valid UTF-8, holds a
    // control or format character, a sign that separates the fields of
    // merge's text or looks like one, or is blank.
    static bool Key(std::string_view label, std::string* key, std::string* why);
    // Valid UTF-8 without a control or format character: safe to print as
    // a line of its own. Empty is fine.
    static bool Shows(std::string_view text);
};
