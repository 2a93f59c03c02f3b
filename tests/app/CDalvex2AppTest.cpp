// The installed program as a process: it ends on a signal as on Cancel,
// and writes no settings anywhere.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "tests/TempDir.h"

namespace {

// Starts dalvex2 offscreen with its own configuration and runtime folders.
pid_t StartProgram(const TempDir& home) {
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        setenv("XDG_CONFIG_HOME", home.File("config").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", home.Path().c_str(), 1);
        setenv("HOME", home.Path().c_str(), 1);
        execl(DALVEX_GUI_PATH, DALVEX_GUI_PATH, static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

// The exit status, or -1 when the process did not end in time.
int WaitFor(pid_t pid, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > end) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

TEST(CDalvex2AppTest, EndsOnASignalAsOnCancelAndSavesNothing) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(strsignal(signal));
        TempDir home;
        const pid_t pid = StartProgram(home);
        ASSERT_GT(pid, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        ASSERT_EQ(waitpid(pid, nullptr, WNOHANG), 0) << "the wizard waits for the user";
        kill(pid, signal);
        EXPECT_EQ(WaitFor(pid, std::chrono::seconds(10)), 0);
        const auto config = std::filesystem::path(home.File("config"));
        EXPECT_TRUE(!std::filesystem::exists(config) || std::filesystem::is_empty(config));
    }
}

TEST(CDalvex2AppTest, TheDesktopEntryIsValid) {
    const std::string command =
        "desktop-file-validate " DALVEX_DESKTOP_FILE " | grep -v ': hint: ' | grep .";
    EXPECT_NE(std::system(command.c_str()), 0) << "errors or warnings above";
    EXPECT_EQ(std::system("desktop-file-validate " DALVEX_DESKTOP_FILE " >/dev/null"), 0);
}
