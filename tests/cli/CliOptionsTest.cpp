#include "cli/CliOptions.h"

#include <gtest/gtest.h>

#include <time.h>

#include <cstdlib>
#include <sstream>
#include <utility>
#include <vector>

namespace {

// A command line given as words ('' for an empty one), parsed: the action, "quiet",
// the directory, each setting that differs from the wizard's defaults, the notes.
std::string Parse(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words{"dalvex2-cli"};
    for (std::string w; in >> w;) words.push_back(w == "''" ? "" : w);
    std::vector<const char*> args;
    for (const std::string& w : words) args.push_back(w.c_str());
    CliOptions o;
    std::string err, notes;
    if (!o.Parse(static_cast<int>(args.size()), args.data(), &err, &notes)) return "error: " + err;
    std::ostringstream s;
    const char* const actions[] = {"", "help ", "version ", "merge ", "verify "};
    s << actions[o.action] << (o.quiet ? "quiet " : "") << o.prefs.directory.ToUtf8();
    const auto f = [&s](const char* name, const auto& value, const auto& usual) {
        if (value != usual) s << ' ' << name << '=' << value;
    };
    f("space", o.prefs.diskSpaceMb, 30u), f("sets", o.prefs.simultaneousTests, 1u);
    f("min", o.prefs.durationMinutes, 5u), f("prio", o.prefs.threadPriority, -1);
    f("stop", o.stopAfterSeconds, 0u), f("json", o.jsonPath, ""), f("reports", o.reportDir, "");
    f("start", o.startAtMs.value_or(-1), -1), f("label", o.label, "");
    f("stall", o.prefs.timings.stallLimitMs, 60000u), f("offset", o.clockOffsetMs.value_or(0), 0);
    f("local", o.allowLocal, false), f("mixed", o.allowMixed, false);
    f("missing", o.missingAsFailed, false), f("cache", o.allowCache, false);
    f("cross", o.prefs.crossCheckDirectory.ToUtf8(), ""), f("modify", o.prefs.modifyTests, false);
    f("keep", o.prefs.keepFiles, false), f("list", o.keptList, "");
    f("delete", o.deleteKept, false), f("in", o.keptDirectory, "");
    for (const std::string& file : o.resultFiles) s << ' ' << file;
    std::istringstream lines(notes);
    for (std::string note; std::getline(lines, note);) s << " | " << note;
    return s.str();
}

}  // namespace

// 2026-12-06T21:30:00Z is 1796592600 s after 1970. A time without an offset is
// local: here in a zone three hours ahead of UTC.
TEST(CliOptionsTest, AcceptedCommandLines) {
    setenv("TZ", "XYZ-3", 1);
    tzset();
    const std::pair<const char*, const char*> cases[] = {
        {"/mnt/partage", "/mnt/partage"},
        {"--space 100 --sets 3 --minutes 10 --normal-priority --stop-after 8 --json - "
         "--report-dir /tmp/r --quiet /srv/données",
         "quiet /srv/données space=100 sets=3 min=10 prio=0 stop=8 json=- reports=/tmp/r"},
        {"d --until-stopped", "d min=2147483647"},
        {"--sets=2 --json=--odd -q -- -dir", "quiet -dir sets=2 json=--odd"},
        {"-h", "help "},
        {"d --version", "version d"},
        // The wizard's limits hold and are mentioned.
        {"d --space 2", "d space=10 | Espace disque porté à 10 Mo."},
        {"d --sets 9", "d sets=5 | Nombre de tests simultanés porté à 5."},
        {"d --minutes 1", "d min=3 | Durée portée à 3 minutes."},
        {"d --minutes 35791", "d min=35791"},
        {"d --stall-after 20", "d stall=20000"},
        {"d --stall-after 1", "d stall=5000 | Délai sans réponse porté à 5 s."},
        {"d --stall-after 99999", "d stall=86400000 | Délai sans réponse porté à 86400 s."},
        {"--start-at 1796592600.5 --label=poste-12 d", "d start=1796592600500 label=poste-12"},
        {"--start-at=2026-12-06T21:30:00Z d", "d start=1796592600000"},
        {"d --start-at 2026-12-06T22:30:00+01:00", "d start=1796592600000"},
        {"d --start-at 2026-12-06T16:00:00-0530", "d start=1796592600000"},
        {"d --start-at 2026-12-06T23:30+02", "d start=1796592600000"},
        {"d --start-at 2026-12-07T00:30:00.25", "d start=1796592600250"},
        {"d --start-at 2024-02-29T07:00:00.123456Z", "d start=1709190000123"},
        // merge reads files; a directory called "merge" is still "./merge".
        {"merge a.json --json - -- --b.json", "merge  json=- a.json --b.json"},
        {"merge --allow-local --allow-mixed --missing-as-failed a",
         "merge  local=1 mixed=1 missing=1 a"},
        {"d --clock-offset -250", "d offset=-250"},
        {"d --clock-offset=86400000", "d offset=86400000"},
        {"./merge", "./merge"},
        {"/mnt/a/ --cross-check /mnt/b --allow-cache --modify-tests",
         "/mnt/a/ cache=1 cross=/mnt/b modify=1"},
        {"d --keep k.json", "d modify=1 keep=1 list=k.json"},
        {"verify k.json --delete --directory /mnt/b -q --stall-after 30 --json -",
         "verify quiet  json=- stall=30000 list=k.json delete=1 in=/mnt/b"},
        {"verify -- --k.json", "verify  list=--k.json"},
    };
    for (const auto& [line, expected] : cases) EXPECT_EQ(Parse(line), expected) << line;
}

TEST(CliOptionsTest, RefusedCommandLinesSayWhy) {
    const auto refused = [](const std::string& line) {
        const std::string result = Parse(line);
        EXPECT_TRUE(result.starts_with("error: ") && result.size() > 7) << line << ": " << result;
    };
    for (const char* line : {"",
                             "''",
                             "d e",
                             "-- d e",
                             "--sets",
                             "d --sets x",
                             "d --sets -1",
                             "d --space 99999999999",
                             "d --minutes 3.5",
                             "d --minutes 35792",
                             "d --minutes 2147483647",
                             "d --stop-after 0",
                             "d --stall-after x",
                             "d --json",
                             "d --json --quiet",
                             "d --json=",
                             "d --quiet=yes",
                             "d --frobnicate",
                             "/mnt/a --cross-check /mnt/a//",
                             "d --cross-check",
                             "merge a --allow-cache",
                             "d --start-at",
                             "d --label",
                             "d --label \x1b[2J",
                             "d --clock-offset 86400001",
                             "d --clock-offset -",
                             "d --allow-local",
                             "d --keep -"}) {
        refused(line);
    }
    for (const char* line :
         {"", "--json r.json", "a.json --sets 2", "a.json --label x", "--clock-offset 5 a.json"}) {
        refused(std::string("merge ") + line);
    }
    // verify takes one list, and neither a run's own settings nor merge's.
    for (const char* line : {"", "''", "a b", "a --keep b", "a --space 10", "a --modify-tests",
                             "a --allow-local", "a --directory", "a --delete=1"}) {
        refused(std::string("verify ") + line);
    }
    EXPECT_EQ(Parse("d --delete"), "error: L'option --delete ne s'applique pas à un test.");
    EXPECT_EQ(Parse("verify k --sets 2"), "error: L'option --sets ne s'applique pas à verify.");
    EXPECT_EQ(Parse("merge k --keep l"), "error: L'option --keep ne s'applique pas à merge.");
    for (const char* time : {"tomorrow", "2026-02-29T10:00:00Z", "2026-12-06", "2026-12-06T24:00Z",
                             "2026-12-06T10:60Z", "2026-12-06T10:00:61Z", "2026-12-06T10:00+01:",
                             "2026-12-06T10:00+2400", "2026-12-06T10:00Zz", "2026-12-06T10:00:00.Z",
                             "26-12-06T10:00Z", "1796592600.", "1e9", "9999999999999"}) {
        refused(std::string("d --start-at ") + time);
    }
}
