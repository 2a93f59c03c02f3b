// The installed program as a process: it ends on a signal as on Cancel,
// and writes no settings anywhere.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/TempDir.h"

namespace {

// Starts dalvex2 offscreen with its own configuration and runtime folders and
// nothing else of this environment. The environment is made before fork: the
// child of a threaded process may call only what is safe after fork.
pid_t StartProgram(const TempDir& home) {
    std::vector<std::string> settings = {
        "QT_QPA_PLATFORM=offscreen", "XDG_CONFIG_HOME=" + home.File("config"),
        "XDG_RUNTIME_DIR=" + home.Path(), "HOME=" + home.Path(), "PATH=/usr/bin:/bin"};
    std::vector<char*> env;
    for (std::string& entry : settings) env.push_back(entry.data());
    env.push_back(nullptr);
    char* const argv[] = {const_cast<char*>(DALVEX_GUI_PATH), nullptr};
    const pid_t pid = fork();
    if (pid == 0) {
        execve(DALVEX_GUI_PATH, argv, env.data());
        _exit(127);
    }
    return pid;
}

// True once the process catches `signal`: its handler is in place.
bool Catches(pid_t pid, int signal) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("SigCgt:", 0) == 0) {
            return (std::stoull(line.substr(7), nullptr, 16) >> (signal - 1)) & 1;
        }
    }
    return false;
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
        for (int waited = 0; !Catches(pid, signal) && waited < 30000; waited += 20) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
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
