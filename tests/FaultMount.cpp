#include "tests/FaultMount.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include "tests/Eventually.h"

FaultMount::FaultMount(const std::vector<std::string>& faults, const std::string& subtype) {
    if (geteuid() != 0 || access("/dev/fuse", R_OK | W_OK) != 0 || !*DALVEX_FAULTFS_PATH) return;
    std::string command = DALVEX_FAULTFS_PATH " --source " + source.Path();
    for (const std::string& f : faults) command += " --fault " + f;
    command += " --pid-file " + own.File("pid");
    mounted = std::system((command + " " + point.Path() + " -o subtype=" + subtype).c_str()) == 0;
    if (!mounted) ADD_FAILURE() << "faultfs did not mount: " << command;
}

FaultMount::~FaultMount() {
    if (!mounted) return;
    Release();
    umount2(point.Path().c_str(), MNT_DETACH);
}

pid_t FaultMount::Pid() {
    // faultfs writes its pid once the kernel has greeted it, just after mounting.
    pid_t pid = 0;
    if (Eventually([&] { return bool(std::ifstream(own.File("pid")) >> pid); }, 5000)) return pid;
    ADD_FAILURE() << "faultfs wrote no pid in " << own.Path();
    return 0;
}

void FaultMount::Release() {
    if (const pid_t pid = Pid()) kill(pid, SIGUSR1);
}

void FaultMount::Unmount() {
    if (!mounted) return;
    const pid_t pid = Pid();
    Release();
    mounted = false;
    ASSERT_EQ(umount2(point.Path().c_str(), 0), 0) << point.Path();
    // Gone, or a zombie that nobody here reaps: it has ended either way.
    const auto runs = [pid] {
        std::string state;
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::getline(stat, state, ')');
        return stat >> state && state != "Z";
    };
    EXPECT_TRUE(!pid || Eventually([&] { return !runs(); }, 10000))
        << "faultfs still runs 10 s after its unmount";
}
