#pragma once
#include <string>
#include <vector>

#include "support/Chaine.h"
#include "support/RtfReader.h"

// The lines a person reads in a report (UTF-8), and the last ones.
inline std::vector<std::string> ReportLines(const Chaine& rtf) {
    std::vector<std::string> lines;
    const std::string text = RtfReader::ToPlainText(RtfReader::Parse(rtf.View())).ToUtf8();
    std::size_t from = 0, nl;
    while ((nl = text.find('\n', from)) != std::string::npos) {
        lines.push_back(text.substr(from, nl - from));
        from = nl + 1;
    }
    return lines;
}
