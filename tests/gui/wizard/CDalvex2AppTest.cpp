// The installed program as a process: it ends on a signal as on Cancel,
// and writes no settings anywhere.
#include <gtest/gtest.h>
#include <signal.h>

#include <QTest>
#include <cstdlib>
#include <fstream>
#include <string>

#include "tests/CliProcess.h"
#include "tests/TempDir.h"

namespace {

// True once the living process catches `signal`: its handler is in place.
bool Catches(pid_t pid, int signal) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("State:") && line.find('Z') != std::string::npos) return false;
        if (line.starts_with("SigCgt:"))
            return (std::stoull(line.substr(7), nullptr, 16) >> (signal - 1)) & 1;
    }
    return false;
}

}  // namespace

TEST(CDalvex2AppTest, EndsOnASignalAsOnCancelAndSavesNothing) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(strsignal(signal));
        TempDir home;
        // Offscreen, with its own configuration and runtime folders and
        // nothing else of this environment.
        CliProcess program(
            DALVEX_GUI_PATH, {},
            {"QT_QPA_PLATFORM=offscreen", "XDG_CONFIG_HOME=" + home.File("config"),
             "XDG_RUNTIME_DIR=" + home.Path(), "HOME=" + home.Path(), "PATH=/usr/bin:/bin"});
        ASSERT_TRUE(QTest::qWaitFor([&] { return Catches(program.Pid(), signal); }, 30000))
            << "the wizard waits for the user";
        program.Signal(signal);
        const CliResult result = program.Wait(10000);
        EXPECT_EQ(std::pair(result.status, result.signal), std::pair(0, 0)) << result.err;
        EXPECT_EQ(Listing(home.File("config")), "");
    }
}

// Valid, with nothing said but hints (anything else shows above).
TEST(CDalvex2AppTest, TheDesktopEntryIsValid) {
    const std::string validate = "desktop-file-validate " DALVEX_DESKTOP_FILE;
    EXPECT_EQ(std::system((validate + " >/dev/null").c_str()), 0);
    EXPECT_NE(std::system((validate + " | grep -v ': hint: ' | grep .").c_str()), 0);
}

// Valid to the pedantic validator, which says nothing but that it does not
// know the top-level domain of the id: the project's domain is under
// .example, and an id under a domain that is not the project's would claim it.
TEST(CDalvex2AppTest, TheMetainfoIsValid) {
    const std::string validate = "appstreamcli validate --no-net --pedantic " DALVEX_METAINFO_FILE;
    EXPECT_EQ(std::system((validate + " >/dev/null").c_str()), 0);
    EXPECT_NE(
        std::system((validate + " | grep '^[EWI]: ' | grep -v ' cid-maybe-not-rdns '").c_str()), 0);
}
