#include "tests/FaultMount.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cstdlib>

FaultMount::FaultMount(const std::vector<std::string>& faults) {
    if (geteuid() != 0 || access("/dev/fuse", R_OK | W_OK) != 0 || !*DALVEX_FAULTFS_PATH) return;
    std::string command = DALVEX_FAULTFS_PATH " --source " + source.Path();
    for (const std::string& f : faults) command += " --fault " + f;
    mounted = std::system((command + " " + point.Path() + " -o subtype=faultfs").c_str()) == 0;
    if (!mounted) ADD_FAILURE() << "faultfs did not mount: " << command;
}

FaultMount::~FaultMount() {
    if (mounted) umount2(point.Path().c_str(), MNT_DETACH);
}
