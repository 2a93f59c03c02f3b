// dalvex2-cli run for real, end to end, on real file systems.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "tests/CliProcess.h"
#include "tests/FakeDesktop.h"
#include "tests/Fields.h"
#include "tests/TempDir.h"

namespace fs = std::filesystem;

namespace {

// The program's temporary directory, the files it is asked to write and their
// neighbours, a directory on tmpfs and one for what it writes besides.
struct Dirs {
    TempDir tmp, work, shm{"/dev/shm"}, out;
};

class CliRun : public testing::TestWithParam<TableRow>, protected Dirs {};
class CliProgram : public testing::Test, protected Dirs {
protected:
    CliResult Run(const Strings& args) { return CliProcess::Run(args, tmp.Path()); }
};

}  // namespace

// One row of runs.json: the directory it names ("shm": a fresh one with a
// stranger's file in it; "file": a file in its place; "loop": a link to
// itself; "missing"; else a name, raw bytes in "dirHex"; or a "tmpfs" of that
// size mounted with "mountOptions"; or a "path" as typed), and for a folder
// refused before any test (status 2) what standard error says; else
// $TMPDIR on a tmpfs of "tmpdir" bytes, or
// written with a "tmpdirSuffix", and what the result holds: "result", members
// of "each" failure (all then on the server), of one of "some" failures, and
// texts "said" on the terminal. Nothing is written or left anywhere else (a
// missing directory is never made).
TEST_P(CliRun, EndsWithTheResultItsDirectoryCalledFor) {
    const json& c = GetParam().data;
    SCOPED_TRACE(c.value("why", ""));
    std::string name = c.value("dir", ""), hex = c.value("dirHex", "");
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        name += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    std::unique_ptr<TmpfsMount> mount, tmpfsTemp;
    if (c.contains("tmpfs"))
        mount = std::make_unique<TmpfsMount>(c["tmpfs"], c.value("mountOptions", ""));
    if (c.contains("tmpdir")) tmpfsTemp = std::make_unique<TmpfsMount>(c["tmpdir"], "", tmp.Path());
    if ((mount && !mount->Mounted()) || (tmpfsTemp && !tmpfsTemp->Mounted()))
        GTEST_SKIP() << "mounting a tmpfs needs root";
    const std::string dir = mount ? mount->Path() : name == "shm" ? shm.Path() : work.File(name);
    if (name == "shm") WriteFile(dir + "/VXR0001.TMP", "someone else's");
    if (name == "file") WriteFile(dir, "a file");
    if (name == "loop") fs::create_symlink(dir, dir);
    if (!mount && name != "shm" && name != "file" && name != "loop" && name != "missing")
        fs::create_directory(dir);
    fs::create_directories(work.File("x/y")), fs::create_directory(work.File("b"));
    Strings args{c.value("path", dir)};
    for (const std::string a : c.value("args", json::array()))
        args.push_back(a[0] == '@' ? out.File(a.substr(1)) : a);
    if (c["status"] == 2) return ExpectRefused(args, tmp.Path(), c["said"], work.File("r.json"));
    const auto [r, j] =
        RunChecked(args, tmp.Path() + c.value("tmpdirSuffix", ""), c["status"], c["result"],
                   {dir, work.Path(), tmp.Path()}, work.File("r.json"));
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    const json where = {
        {"directory", dir}, {"tempDirectory", tmp.Path() + "/"}, {"host", host}, {"label", host}};
    EXPECT_TRUE(j["result"] != "ok" || Contains(j, where));
    bool some = !c.contains("some");
    for (const json& f : j["failures"]) {
        for (const json& a : c.value("some", json::array())) some |= Contains(f, a);
        EXPECT_TRUE(!c.contains("each") || (Contains(f, c["each"]) &&  // each on the server
                                            f["test"] != "Test d'écriture dans le répertoire Temp"))
            << f.dump(2);
    }
    EXPECT_TRUE(some) << j.dump(2);
    for (const std::string text : c.value("said", json::array()))
        EXPECT_NE((r.out + r.err).find(text), std::string::npos) << text;
    if (fs::is_directory(out.File("reports"))) {  // one whole document per failure
        const auto reports = Snapshot(out.File("reports"));
        EXPECT_EQ(reports.size(), j["failures"].size());
        for (const auto& [file, rtf] : reports)
            EXPECT_TRUE(rtf.starts_with("{\\rtf1") && rtf.find("%tstdir%") == rtf.npos) << file;
    }
}

INSTANTIATE_TEST_SUITE_P(Directories, CliRun, testing::ValuesIn(ReadTable(DALVEX_RUNS_TABLE)),
                         RowName);

// A run ends when the clock says so, or on signals: the first stops after the
// cycle, the second aborts, the third gives the verdict on the spot; a stop
// while it waits for --start-at ends it before any run. Only a run that read
// back what it wrote, and was not cut short, is "ok", and one stopped before
// its minutes says it covers only its time. Times count from the
// moment the program is about to start its threads, which wait 500 ms before
// their first cycle.
TEST_F(CliProgram, EndsWhenTheClockOrASignalSays) {
    using namespace std::chrono;
    const int64_t now = duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
    const int64_t at = (now + 4) * 1000;
    const std::vector<std::string> later{"--start-at", std::to_string(now + 60)},
        // This machine's clock 2 s behind the one the start is given on.
        soon{"--start-at",     std::to_string(now + 4),
             "--clock-offset", "-2000",
             "--stop-after",   "1",
             "--label",        "poste 7"};
    const struct {
        std::vector<int> signals;
        int afterMs;
        int status;
        std::vector<std::string> args = {};
        json result = {{"ending", "stopped"}};
        const char* waitFor = "n'est pas un chemin réseau";
        int64_t startsAtMs = 0;  // on the clock the start is given on, and not 300 ms later
        bool early = false;      // its text says it stopped before its minutes
    } cases[] = {
        // First, while the time it names is still to come.
        {{}, 0, 0, soon, {{"label", "poste 7"}, {"clockOffsetMs", -2000}}, "Départ à ", at},
        {{SIGINT}, 0, 3, later, {{"bytesWritten", 0}}, "Départ à "},
        {{SIGTERM}, 0, 3},  // nothing was read back yet
        {{SIGHUP}, 0, 3},   // a closed terminal, the same
        {{SIGINT}, 1000, 0},
        {{SIGINT}, 1000, 0, {"--minutes", "5"}, {{"ending", "stopped"}}, "réseau", 0, true},
        // Cycles of 100 MB outlast the gap between the two signals.
        {{SIGINT, SIGINT}, 1000, 3, {"--space", "1000"}, {{"ending", "aborted"}}},
        // Three kinds at once: none can merge with another while it waits.
        {{SIGINT, SIGTERM, SIGHUP}, 0, 3, {}, {{"ending", "aborted"}}},
    };
    for (const auto& c : cases) {
        Strings args{shm.Path(), "--until-stopped", "--json", "-"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        CliProcess cli(args, tmp.Path());
        ASSERT_TRUE(cli.WaitForError(c.waitFor));
        std::this_thread::sleep_for(std::chrono::milliseconds(c.afterMs));
        for (std::size_t i = 0; i < c.signals.size(); ++i) {
            // A signal sent again before the first is taken would be one.
            if (i > 0 && c.signals[i] == c.signals[i - 1]) std::this_thread::sleep_for(50ms);
            cli.Signal(c.signals[i]);
        }
        const CliResult r = cli.Wait();
        SCOPED_TRACE("case " + std::to_string(&c - cases) + ": " + r.err);
        const json j = CheckRun(r, c.status, c.result, r.out);
        EXPECT_EQ(r.err.find(" sur 5 min prévues : ") != std::string::npos, c.early);
        EXPECT_TRUE(!c.startsAtMs || (j["referenceStartedAtMs"] >= c.startsAtMs &&
                                      j["referenceStartedAtMs"] < c.startsAtMs + 300 &&
                                      j["startedAtMs"] < c.startsAtMs - 1700));
        // Ended on the spot, files may stay: that is the point.
        if (c.signals.size() == 3) continue;
        EXPECT_TRUE(Snapshot(shm.Path()).empty() && Snapshot(tmp.Path()).empty());
    }
}

// The machine stays awake while the tests run: logind's lock is taken once
// they start and given back when they end, or when the program is killed;
// with no logind to ask, or a bus that never answers, the run goes on, and
// ends in its time.
TEST_F(CliProgram, KeepsTheMachineAwakeWhileTheTestsRun) {
    const std::string taken = "ready\nlogind inhibit sleep:idle Dalvex 2 block\n";
    const struct {
        const char* name;
        Strings services;
        bool killed, silent;
        std::string during, after;
    } cases[] = {
        {"run ends", {"logind"}, false, false, taken, taken + "logind release\n"},
        {"killed", {"logind"}, true, false, taken, taken + "logind release\n"},
        {"no logind", {}, false, false, "ready\n", "ready\n"},
        {"silent bus", {}, false, true, "ready\n", "ready\n"},
    };
    // A bus that takes a connection and never reads it.
    const int silent = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{.sun_family = AF_UNIX, .sun_path = {}};
    work.File("bus").copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(bind(silent, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(silent, 4), 0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const FakeDesktop desktop(c.services);
        ASSERT_TRUE(desktop.Ready());
        const std::string bus = getenv("DBUS_SYSTEM_BUS_ADDRESS");
        if (c.silent)
            setenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + work.File("bus")).c_str(), 1);
        CliProcess cli({shm.Path(), "--stop-after", "2", "--json", "-"}, tmp.Path());
        setenv("DBUS_SYSTEM_BUS_ADDRESS", bus.c_str(), 1);
        ASSERT_TRUE(cli.WaitForError("n'est pas un chemin réseau"));  // the tests run
        EXPECT_EQ(desktop.Events(), c.during);
        if (c.killed) cli.Signal(SIGKILL);
        const CliResult r = cli.Wait(20000);
        if (!c.killed) CheckRun(r, 0, json::object(), r.out);
        if (!c.services.empty()) desktop.WaitFor("logind release");
        EXPECT_EQ(desktop.Events(), c.after);
    }
    close(silent);
}

// The program that follows the run, stopped for a while, hears the engine
// late: the share's course, timed by the engine, shows no share that went
// silent.
TEST_F(CliProgram, AStoppedFollowerIsNoSilentShare) {
    using namespace std::chrono;
    CliProcess cli({shm.Path(), "--stop-after", "16", "--stall-after", "5", "--json", "-"},
                   tmp.Path());
    ASSERT_TRUE(cli.WaitForError("n'est pas un chemin réseau"));
    std::this_thread::sleep_for(1s);
    cli.Signal(SIGSTOP);
    std::this_thread::sleep_for(9s);
    cli.Signal(SIGCONT);
    const CliResult r = cli.Wait();
    const json j = CheckRun(r, 0, {{"ending", "time-up"}}, r.out);
    EXPECT_LT(j["longestShareIdleMs"], 5000) << j["series"].dump();
}

// The result reaches its reader whole, or the exit status says it did not;
// a reader of the text that goes away costs nothing; a run that could not
// start leaves an earlier result as it was.
TEST_F(CliProgram, TheResultIsDeliveredOrTheExitSaysSo) {
    const std::string earlier = "{\"result\": \"earlier\"}\n", json = work.File("result.json");
    WriteFile(work.File("plain"), "x"), WriteFile(json, earlier);
    EXPECT_EQ(Run({shm.Path(), "--json", json, "--report-dir", work.File("plain/r")}).status, 2);
    EXPECT_EQ(ReadFile(json), earlier);
    // --check-only: the folder would do, and nothing runs, nothing is written.
    const CliResult checked = Run({shm.Path(), "--check-only", "--json", json});
    EXPECT_TRUE(Fields()
                    .Is("status", checked.status, 0)
                    .Is("stdout", checked.out, "")
                    .Is("result file", ReadFile(json), earlier)
                    .Is("no file made", Snapshot(shm.Path()).empty(), true))
        << checked.err;
    ExpectRefused({work.File("absent"), "--check-only"}, tmp.Path(), {"absent » n'existe pas."},
                  json + ".new");
    // A folder where no file can be made, whatever its permissions tell root.
    const CliResult proc = Run({shm.Path(), "--stop-after", "1", "--json", "/proc/r.json"});
    EXPECT_TRUE(Fields().Is("status", proc.status, 2).Is("stdout", proc.out, "")) << proc.err;
    const CliResult full = Run({shm.Path(), "--stop-after", "1", "--json", "/dev/full"});
    EXPECT_EQ(full.status, 2) << "the run went well, but nobody can know it";
    EXPECT_NE(full.err.find("Impossible d'écrire /dev/full"), std::string::npos) << full.err;
    // dalvex2-cli … | head -n1: the rest of the text has nowhere to go.
    const auto piped = [&](const std::string& to) {
        return CliProcess({shm.Path(), "--stop-after", "2", "--json", to}, tmp.Path(), true).Wait();
    };
    const CliResult r = piped(json);  // before its result is read
    CheckRun(r, 0, {{"result", "ok"}}, ReadFile(json));
    EXPECT_EQ(piped("-").status, 2) << "the JSON had nowhere to go";
    TmpfsMount tiny("4k");
    if (tiny.Mounted()) {  // no room left beside the earlier result: it must stay whole
        const std::string onTiny = tiny.Path() + "/result.json",
                          kept = earlier + std::string(4000, ' ');
        WriteFile(onTiny, kept);
        EXPECT_EQ(Run({shm.Path(), "--stop-after", "1", "--json", onTiny}).status, 2);
        EXPECT_EQ(ReadFile(onTiny), kept);
        EXPECT_EQ(Listing(tiny.Path()), "result.json ");
    }
    EXPECT_TRUE(Snapshot(shm.Path()).empty() && Snapshot(tmp.Path()).empty());
}

// --html as --json: the report of a real run that tidy takes whole, with the
// share's line and every test's, and that of its merge; a file that cannot be
// written is said, and the exit status says so; standard output takes one of
// the two at most.
TEST_F(CliProgram, TheHtmlReportIsWrittenOrTheExitSaysSo) {
    const std::string html = work.File("rapport.html"), json = work.File("r.json");
    const CliResult r = Run({shm.Path(), "--stop-after", "2", "--json", json, "--html", html});
    CheckRun(r, 0, {{"result", "ok"}}, ReadFile(json));
    EXPECT_EQ(TidyComplaints(html), "");
    const std::string report = ReadFile(html);
    const std::string line = "<polyline class=\"series\"";
    EXPECT_NE(report.find(line), report.rfind(line)) << "two lines: the share's and every test's";
    const std::string fleet = work.File("ensemble.html");
    EXPECT_EQ(Run({"merge", "--allow-local", "--html", fleet, json}).status, 0);
    EXPECT_EQ(TidyComplaints(fleet), "");
    const CliResult full = Run({shm.Path(), "--stop-after", "1", "--html", "/dev/full"});
    EXPECT_EQ(full.status, 2) << "the run went well, but nobody can read its report";
    EXPECT_NE(full.err.find("Impossible d'écrire /dev/full"), std::string::npos) << full.err;
    // One file for two outputs, however named: nothing starts, nothing is written.
    for (const Strings& twice : {Strings{"--json", "-", "--html", "-"},
                                 {"--json", json, "--html", work.File("./r.json")},
                                 {"--html", json, "--keep", json}}) {
        Strings args{shm.Path()};
        args.insert(args.end(), twice.begin(), twice.end());
        const CliResult refused = Run(args);
        EXPECT_EQ(refused.status, 2) << refused.err;
    }
    EXPECT_TRUE(ReadFile(json).starts_with("{")) << "untouched";
    EXPECT_TRUE(Snapshot(shm.Path()).empty() && Snapshot(tmp.Path()).empty());
}
