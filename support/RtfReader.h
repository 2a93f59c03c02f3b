#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

#include "support/Chaine.h"

// A run of text with one style, as the program's RTF documents use them.
struct RtfRun {
    Chaine text;  // Windows-1252
    bool bold = false;
    bool italic = false;
    int halfPoints = 24;  // font size in half points (\fs)
    uint32_t color = 0;   // 0xRRGGBB
    Chaine font;          // font family name, empty when the table has none
};

struct RtfParagraph {
    std::vector<RtfRun> runs;
    bool bullet = false;  // a list item
};

// Reads the RTF that the program writes (the report documents) into
// paragraphs of styled runs. What it does not know — control words, whole
// destinations, pictures — it skips; malformed input gives what could be read,
// never a failure or a read past the end. Any thread.
class RtfReader {
public:
    static std::vector<RtfParagraph> Parse(std::string_view rtf);
    // One line per paragraph, list items starting with a bullet and a blank.
    static Chaine ToPlainText(const std::vector<RtfParagraph>& paragraphs);
};
