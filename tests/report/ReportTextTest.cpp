#include "report/ReportText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>

#include "engine/CDVXThreadData.h"
#include "tests/Printers.h"
#include "tests/report/ReportLines.h"

namespace {

constexpr uint32_t kStart = 1000000;

CDVXThreadData& Failed(CDVXThreadData& r, int32_t kind) {
    r.testname = Chaine(Chaine::ResourceId(3002));
    r.tstdir = Chaine("/srv/partage");
    r.state = CDVXThreadData::kFailed;
    r.errorKind = kind;
    r.failTicks = kStart + 65000;
    r.localtime.hour = 14;
    r.localtime.minute = 7;
    r.localtime.second = 59;
    r.position = 131072;
    return r;
}

bool HasLine(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

}  // namespace

TEST(ReportTextTest, AFullDiskAndAnotherFailedCallPickTheirDocuments) {
    CDVXThreadData full;
    Failed(full, 1).winerr = 112;
    full.operation = CDVXThreadData::kWriteFile;
    EXPECT_EQ(ReportText::DocumentOf(ReportText::CategoryOf(full)), 136u);
    const auto lines = ReportLines(ReportText::BuildReport(full, kStart));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "Le disque dur est plein !");
    const std::vector<std::string> fields(lines.end() - 7, lines.end());
    EXPECT_EQ(fields, (std::vector<std::string>{
                          "Test : Test d'écriture d'un bloc contenant des données aléatoires",
                          "Heure: 14:07",
                          "Temps écoulé : 1 min 5 sec",
                          "Répertoire test: /srv/partage",
                          "Position dans le fichier: 131072",
                          "Opération : WriteFile",
                          "Message Windows : Espace insuffisant sur le disque. (WinErr:112)",
                      }));

    CDVXThreadData denied;
    Failed(denied, 1).winerr = 5;
    EXPECT_EQ(ReportText::DocumentOf(ReportText::CategoryOf(denied)), 144u);
    const auto deniedLines = ReportLines(ReportText::BuildReport(denied, kStart));
    EXPECT_EQ(deniedLines[0], "Erreur d'Entrée/Sortie");
    EXPECT_TRUE(HasLine(deniedLines, "Opération : <inconnue>")) << "operation 0";
    EXPECT_TRUE(HasLine(deniedLines, "Message Windows : Accès refusé. (WinErr:5)"));
    EXPECT_TRUE(HasLine(deniedLines, "• le répertoire /srv/partage n'existe peut-être pas,"));
}

TEST(ReportTextTest, DataThatDifferAndATruncatedFile) {
    CDVXThreadData differ;
    Failed(differ, 2);
    differ.datawait = Chaine("616263");
    differ.dataget = Chaine("616264");
    const auto lines = ReportLines(ReportText::BuildReport(differ, kStart));
    EXPECT_EQ(lines[0], "Votre système ne fonctionne pas correctement !!!");
    EXPECT_EQ(lines[lines.size() - 2], "Données attendues : 616263");
    EXPECT_EQ(lines[lines.size() - 1], "Données lues : 616264");
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.rfind("• ", 0) == 0; }),
              7);

    CDVXThreadData truncated;
    Failed(truncated, 2);
    const auto t = ReportLines(ReportText::BuildReport(truncated, kStart));
    EXPECT_EQ(ReportText::DocumentOf(ReportText::CategoryOf(truncated)), 141u);
    EXPECT_EQ(t[0], "Le fichier est tronqué !");
    EXPECT_EQ(t[t.size() - 2], "Position dans le fichier: 131072");
    EXPECT_EQ(t[t.size() - 1], "Répertoire test: /srv/partage") << "position before directory";
    EXPECT_TRUE(HasLine(t, "• l'installation de Windows,"));
}

TEST(ReportTextTest, AnInternalError) {
    CDVXThreadData r;
    Failed(r, 3).position = 0;
    const auto lines = ReportLines(ReportText::BuildReport(r, kStart));
    EXPECT_EQ(ReportText::DocumentOf(ReportText::CategoryOf(r)), 140u);
    EXPECT_EQ(lines[0], "Erreur interne");
    EXPECT_EQ(lines.back(), "Position dans le fichier: 0");
    CDVXThreadData odd;
    Failed(odd, 7);
    EXPECT_EQ(ReportText::CategoryOf(odd), ReportText::kInternal);
}

TEST(ReportTextTest, DirectoriesWithBackslashesBracesAccentsAndPlaceholders) {
    CDVXThreadData r;
    Failed(r, 1).winerr = 5;
    r.tstdir = Chaine("\\\\serveur\\part{a}g\xE9\\%POSITION%");
    r.position = 0xFFFFFFFF;  // a failed seek to the end of a file
    const Chaine rtf = ReportText::BuildReport(r, kStart);
    // Every group the document opens, it closes.
    int depth = 0;
    for (std::size_t i = 0; i < rtf.GetLength(); ++i) {
        if (rtf[i] == '\\') {
            ++i;
            continue;
        }
        depth += rtf[i] == '{' ? 1 : rtf[i] == '}' ? -1 : 0;
        ASSERT_GE(depth, 0);
    }
    EXPECT_EQ(depth, 0);
    const auto lines = ReportLines(rtf);
    EXPECT_TRUE(HasLine(lines, "Répertoire test: \\\\serveur\\part{a}gé\\-1"))
        << "backslashes kept, the later placeholder in the value filled too";
    EXPECT_TRUE(HasLine(lines, "Position dans le fichier: -1"));
}

TEST(ReportTextTest, TheMessageOfACodeAndOfAnErrnoWithoutOne) {
    const std::string io =
        "La requête n'a pas pu être exécutée en raison d'une erreur de "
        "périphérique d'E/S.";
    const struct {
        uint32_t winerr;
        int32_t err;
        std::string expected;  // UTF-8
    } cases[] = {
        {99999, 0, " (WinErr:99999)"},
        {2, ENOENT, "Le fichier spécifié est introuvable. (WinErr:2)"},
        {1117, EIO, io + " (WinErr:1117)"},
        {1117, ELOOP, io + " (ELOOP : Too many levels of symbolic links) (WinErr:1117)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReportText::WinErrText(c.winerr, c.err), Chaine::FromUtf8(c.expected)) << c.err;
    }
    EXPECT_EQ(ReportText::OperationName(9), "GetTempPath");
    EXPECT_EQ(ReportText::OperationName(10), "<inconnue>");
}
