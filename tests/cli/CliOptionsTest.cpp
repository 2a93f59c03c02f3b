#include "cli/CliOptions.h"

#include <gtest/gtest.h>

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
    const char* const actions[] = {"", "help ", "version ", "merge "};
    s << actions[o.action] << (o.quiet ? "quiet " : "") << o.prefs.directory.ToUtf8();
    const auto f = [&s](const char* name, const auto& value, const auto& usual) {
        if (value != usual) s << ' ' << name << '=' << value;
    };
    f("space", o.prefs.diskSpaceMb, 30u), f("sets", o.prefs.simultaneousTests, 1u);
    f("min", o.prefs.durationMinutes, 5u), f("prio", o.prefs.threadPriority, -1);
    f("stop", o.stopAfterSeconds, 0u), f("json", o.jsonPath, ""), f("reports", o.reportDir, "");
    f("start", o.startAtMs.value_or(-1), -1), f("label", o.label, "");
    for (const std::string& file : o.resultFiles) s << ' ' << file;
    std::istringstream lines(notes);
    for (std::string note; std::getline(lines, note);) s << " | " << note;
    return s.str();
}

}  // namespace

TEST(CliOptionsTest, AcceptedCommandLines) {
    const std::pair<const char*, const char*> cases[] = {
        {"/mnt/partage", "/mnt/partage"},
        {"--space 100 --sets 3 --minutes 10 --normal-priority --stop-after 8 --json - "
         "--report-dir /tmp/r --quiet /srv/données",
         "quiet /srv/données space=100 sets=3 min=10 prio=0 stop=8 json=- reports=/tmp/r"},
        {"d --until-stopped", "d min=2147483647"},
        {"--sets=2 --json=--odd -q -- -dir", "quiet -dir sets=2 json=--odd"},
        {"-h", "help "},
        {"d --version", "version d"},
        // The wizard's limits hold and are mentioned; a thread's share of more
        // than 4095 MB would not fit its 32-bit count.
        {"d --space 2", "d space=10 | Espace disque porté à 10 Mo."},
        {"d --sets 9", "d sets=5 | Nombre de tests simultanés porté à 5."},
        {"d --minutes 1", "d min=3 | Durée portée à 3 minutes."},
        {"d --space 40960", "d space=40960 | Chaque test écrit au plus 4095 Mo par cycle."},
        {"d --space 40959", "d space=40959"},
        {"--start-at 1796592600.5 --label=poste-12 d", "d start=1796592600500 label=poste-12"},
        {"--start-at=2026-12-06T21:30:00Z d", "d start=1796592600000"},
        // merge reads files; a directory called "merge" is still "./merge".
        {"merge a.json --json - -- --b.json", "merge  json=- a.json --b.json"},
        {"./merge", "./merge"},
    };
    for (const auto& [line, expected] : cases) EXPECT_EQ(Parse(line), expected) << line;
}

TEST(CliOptionsTest, RefusedCommandLinesSayWhy) {
    for (const char* line : {"",
                             "''",
                             "d e",
                             "-- d e",
                             "--sets",
                             "d --sets x",
                             "d --sets -1",
                             "d --space 99999999999",
                             "d --minutes 3.5",
                             "d --stop-after 0",
                             "d --json",
                             "d --json --quiet",
                             "d --json=",
                             "d --quiet=yes",
                             "d --frobnicate",
                             "d --start-at",
                             "d --start-at tomorrow",
                             "d --start-at 2026-12-06T25:00:00Z",
                             "d --label",
                             "merge",
                             "merge --json r.json",
                             "merge a.json --sets 2",
                             "merge a.json --label x"}) {
        const std::string result = Parse(line);
        EXPECT_TRUE(result.starts_with("error: ") && result.size() > 7) << line << ": " << result;
    }
}
