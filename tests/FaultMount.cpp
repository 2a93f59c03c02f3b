#include "tests/FaultMount.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <thread>

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

void FaultMount::Release() {
    // faultfs writes its pid once the kernel has greeted it, just after mounting.
    for (int tries = 0; tries < 500; ++tries) {
        pid_t pid = 0;
        if (std::ifstream(own.File("pid")) >> pid) {
            kill(pid, SIGUSR1);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ADD_FAILURE() << "faultfs wrote no pid in " << own.Path();
}
