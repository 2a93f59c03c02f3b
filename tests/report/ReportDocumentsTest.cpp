// The filled reports read the same in a real word processor as in the
// program's own reader (skipped where LibreOffice is not installed).
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "engine/CDVXThreadData.h"
#include "report/ReportText.h"
#include "tests/TempDir.h"
#include "tests/report/ReportLines.h"

namespace {

// LibreOffice's text export: a byte-order mark, list items indented with a
// bullet; brought to the form ToPlainText uses.
std::vector<std::string> Normalised(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t from = text.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0, nl;
    while (from < text.size()) {
        nl = text.find('\n', from);
        if (nl == std::string::npos) nl = text.size();
        std::string line = text.substr(from, nl - from);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::size_t start = line.find_first_not_of(' ');
        lines.push_back(start == std::string::npos ? "" : line.substr(start));
        from = nl + 1;
    }
    return lines;
}

}  // namespace

TEST(ReportDocumentsTest, ReadTheSameInAWordProcessor) {
    if (std::system("command -v soffice > /dev/null 2>&1") != 0) {
        GTEST_SKIP() << "LibreOffice (soffice) is not installed";
    }
    TempDir dir;
    std::vector<std::vector<std::string>> expected;
    const int32_t kinds[] = {1, 1, 2, 2, 3};
    for (int i = 0; i < 5; ++i) {
        CDVXThreadData r;
        r.testname = Chaine(Chaine::ResourceId(3000 + i));
        r.tstdir = Chaine(
            "\\\\serveur\\donn\xE9"
            "es {essai}");
        r.errorKind = kinds[i];
        r.winerr = i == 0 ? 112 : 5;
        r.operation = 4;
        r.position = 4096;
        r.localtime.hour = 9;
        r.localtime.minute = 5;
        if (i == 2) r.datawait = Chaine("616263"), r.dataget = Chaine("616264");
        const Chaine rtf = ReportText::BuildReport(r, 0);
        ASSERT_FALSE(rtf.IsEmpty());
        std::ofstream(dir.File("report" + std::to_string(i) + ".rtf"), std::ios::binary)
            << rtf.View();
        auto lines = ReportLines(rtf);
        for (auto& l : lines) {
            if (l.rfind("\xE2\x80\xA2 ", 0) == 0) l = "\xE2\x80\xA2" + l.substr(4);  // "• x" → "•x"
        }
        expected.push_back(lines);
    }
    const std::string command = "cd " + dir.Path() +
                                " && soffice --headless --convert-to 'txt:Text (encoded):UTF8' "
                                "report*.rtf > /dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    for (int i = 0; i < 5; ++i) {
        auto got = Normalised(ReadFile(dir.File("report" + std::to_string(i) + ".txt")));
        for (auto& l : got) {
            if (l.rfind("\xE2\x80\xA2", 0) == 0) {
                const std::size_t text = l.find_first_not_of(" \t", 3);
                l = "\xE2\x80\xA2" + (text == std::string::npos ? "" : l.substr(text));
            }
        }
        while (!got.empty() && got.back().empty()) got.pop_back();
        EXPECT_EQ(got, expected[i]) << "report " << i;
    }
}
