#include "report/result/HtmlReport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "report/result/HtmlText.h"
#include "tests/CliProcess.h"
#include "tests/TempDir.h"

namespace {

// A failed run of `points` seconds: bytes that HTML reserves and accents in
// its names, texts and paths, a gap in observation, a stop, files kept and
// left, and two failures that fill every member between them.
ResultDocument FailedRun(const std::string& label, uint32_t points) {
    ResultDocument d;
    d.directory = "/srv/partagé/<&\"'>", d.tempDirectory = "/tmp/";
    d.fileSystem = "cifs", d.mountSource = "//serveur/données", d.host = "poste-é";
    d.label = label, d.version = "2.0.0", d.startedAt = "2026-12-09T10:00:00+01:00";
    d.settings = {30, 1, 5, -1, 0, 60, false};
    d.elapsedMs = points * 1000, d.result = "failed", d.ending = "failure";
    d.sentence = "Une erreur s'est produite";
    d.series.total.emplace();
    for (uint32_t i = 0; i < points; ++i) {
        d.series.written.push_back(1000000 * i), d.series.read.push_back(500000);
        d.series.waiting.push_back(0), d.series.total->push_back(3000000 * i + 500000);
    }
    d.series.gaps = std::vector<ResultGap>{{2000, 1500}};
    d.series.stoppedMs = points * 1000 - 500;
    d.crossCheck = ResultCrossCheck{"/mnt/autre/é", "poste-b", 123456, 654321};
    d.kept = ResultKept{"/srv/liste.json", label, d.startedAt, {"/srv/partagé/VXK1.TMP"}, false};
    d.leftFiles = {"/tmp/VXR0001.TMP"};
    ResultFailure io, data;
    io.test = "Test <écriture> & \"zéro\" 'bloc'", io.directory = d.directory;
    io.category = "io-error", io.errorKind = 1, io.operation = "WriteFile", io.winerr = 121;
    io.errnoValue = 110, io.errnoName = "ETIMEDOUT", io.position = 40960;
    io.message = "Le serveur n'a pas répondu pendant 60 s", io.file = "/srv/partagé/VXZ1.TMP";
    io.stalledSeconds = 61, io.localTime = "2026-12-09T10:01:02+01:00";
    io.testTime = "1 min 2 sec", io.testTimeMs = 62000;
    io.report = {"Dalvex a tenté d'écrire <ici> & là", "\u2022 Vérifiez le câble"};
    data.test = "Test d'écriture octet par octet", data.category = "data-differ";
    data.errorKind = 2, data.position = -1, data.expected = "00 01 02 <ff>";
    data.read = "00 01 03 & ff", data.damage = ResultDamage{"flipped", "bit 3 inversé « ici »"};
    d.failures = {io, data};
    return d;
}

// Every member of each failure, as the report must show it.
std::vector<std::string> FailureTexts(const ResultDocument& d) {
    std::vector<std::string> texts;
    for (const ResultFailure& f : d.failures) {
        for (const auto& s : {f.test, f.directory, f.category, f.operation, f.errnoName, f.message,
                              f.file, f.expected, f.read, f.localTime, f.testTime}) {
            if (s) texts.push_back(HtmlText::Escape(*s));
        }
        for (const std::string& paragraph : f.report.value_or(std::vector<std::string>{}))
            texts.push_back("<p>" + HtmlText::Escape(paragraph) + "</p>");
        const auto number = [&texts](const auto& n) {
            if (n) texts.push_back(">" + std::to_string(*n) + "<");
        };
        number(f.errorKind), number(f.winerr), number(f.errnoValue), number(f.position);
        number(f.stalledSeconds), number(f.testTimeMs);
        if (f.damage) texts.push_back(HtmlText::Escape(f.damage->text));
    }
    return texts;
}

// The number of points of each line of the charts, in order.
std::vector<std::size_t> LinePoints(const std::string& html) {
    static const std::regex line("<polyline class=\"series\"[^>]* points=\"([^\"]*)\"");
    std::vector<std::size_t> counts;
    for (std::sregex_iterator i(html.begin(), html.end(), line), end; i != end; ++i) {
        const std::string points = (*i)[1];
        counts.push_back(points.empty() ? 0 : std::count(points.begin(), points.end(), ' ') + 1);
    }
    return counts;
}

}  // namespace

TEST(HtmlReportTest, OneDocumentABrowserOpensAloneWithEveryFailure) {
    const ResultDocument a = FailedRun("poste-a", 6), b = FailedRun("poste-b «2»", 4);
    std::vector<std::string> fleetTexts = FailureTexts(a), bTexts = FailureTexts(b);
    fleetTexts.insert(fleetTexts.end(), bTexts.begin(), bTexts.end());
    fleetTexts.insert(fleetTexts.end(), {"poste-a", "poste-b «2»", "trop tard &amp; seul"});
    const HtmlReport::Fleet fleet{
        "failed",
        "Une erreur s'est produite",
        "poste-a | <échec>\n",
        {{"poste-a", "failed", "Une erreur", {}, &a, 1000},
         {"poste-b «2»", "failed", "Une erreur", {"trop tard & seul"}, &b, 2500}},
        2500,
        3000};
    ResultDocument stopped = FailedRun("poste-c", 3);
    stopped.result = "ok", stopped.ending = "stopped", stopped.failures.clear();
    stopped.settings.durationMinutes = 5, stopped.elapsedMs = 12000;
    const struct {
        const char* name;
        std::string html;
        std::vector<std::size_t> points;  // of each line: one a point of its series
        std::vector<std::string> texts;
        bool stoppedEarly = false;  // said only of such a run
    } cases[] = {
        // The share's line, then every test's; each client's, then each run's own.
        {"a failed run", HtmlReport::OfRun(a), {6, 6}, FailureTexts(a)},
        {"a fleet of two", HtmlReport::OfFleet(fleet), {6, 4, 6, 6, 4, 4}, fleetTexts},
        {"a run stopped early",
         HtmlReport::OfRun(stopped),
         {3, 3},
         {"Arrêté après 12 sec sur 5 min prévues"},
         true},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = dir.File("report.html");
        WriteFile(file, c.html);
        EXPECT_EQ(TidyComplaints(file), "");
        std::string lower = c.html;
        std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
        for (const char* outside : {"<script", "src=", "href=", "url(", "@import"})
            EXPECT_EQ(lower.find(outside), std::string::npos) << outside;
        EXPECT_EQ(c.html.find("<&\"'>"), std::string::npos) << "a path left unescaped";
        EXPECT_EQ(LinePoints(c.html), c.points);
        for (const std::string& text : c.texts)
            EXPECT_NE(c.html.find(text), std::string::npos) << text;
        EXPECT_EQ(c.html.find("Arrêté après") != std::string::npos, c.stoppedEarly);
    }
}
