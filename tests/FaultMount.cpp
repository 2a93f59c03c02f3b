#include "tests/FaultMount.h"

#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

namespace {

bool IsFuseMountPoint(const std::string& path) {
    std::ifstream in("/proc/self/mountinfo");
    std::string line;
    while (std::getline(in, line)) {
        if (line.find(" " + path + " ") != std::string::npos &&
            line.find(" - fuse") != std::string::npos) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::string FaultMount::ToolPath() { return DALVEX_FAULTFS_PATH; }

bool FaultMount::Available() {
    return geteuid() == 0 && access("/dev/fuse", R_OK | W_OK) == 0 &&
           access(ToolPath().c_str(), X_OK) == 0;
}

FaultMount::FaultMount(const std::vector<std::string>& faults) {
    if (!Available()) return;
    m_pid = fork();
    if (m_pid == 0) {
        std::vector<std::string> args{ToolPath(), "--source", m_source.Path()};
        for (const auto& f : faults) args.insert(args.end(), {"--fault", f});
        args.insert(args.end(), {m_mountPoint.Path(), "-f", "-o", "subtype=faultfs"});
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    for (int i = 0; i < 200 && !m_mounted; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        m_mounted = IsFuseMountPoint(m_mountPoint.Path());
    }
}

FaultMount::~FaultMount() {
    if (m_mounted) umount2(m_mountPoint.Path().c_str(), MNT_DETACH);
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
    }
}
