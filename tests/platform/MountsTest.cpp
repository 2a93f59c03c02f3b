#include "platform/Mounts.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/TempDir.h"

using platform::DriveType;
using platform::Mounts;

TEST(MountsTest, KindOfTheMountThatHoldsThePath) {
    EXPECT_EQ(Mounts::GetDriveType("/dev/shm"), DriveType::RamDisk);
    EXPECT_EQ(Mounts::GetDriveType("/dev/shm/not/yet/there"), DriveType::RamDisk)
        << "a path not there yet is on the mount of its nearest ancestor";
    const auto saved = std::filesystem::current_path();
    std::filesystem::current_path("/dev/shm");
    EXPECT_EQ(Mounts::GetDriveType("some/relative/dir"), DriveType::RamDisk)
        << "relative to the current directory";
    EXPECT_EQ(Mounts::GetDriveType(""), DriveType::RamDisk);
    std::filesystem::current_path(saved);
}

// A tmpfs mounted on the local disk, under a name with a blank (\040 in the
// mount table): the longest mount point wins.
TEST(MountsTest, MountPointsWithBlanksAndNestedMounts) {
    if (LocalDiskBase().empty()) GTEST_SKIP() << "no writable mount of a disk on this machine";
    TempDir disk(LocalDiskBase());
    EXPECT_EQ(Mounts::GetDriveType(disk.Path()), DriveType::Fixed);
    const std::string inner = disk.Path() + "/with blank";
    std::filesystem::create_directory(inner);
    std::filesystem::create_directory(inner + "s");
    TmpfsMount ram("1m", "", inner);
    if (!ram.Mounted()) GTEST_SKIP() << "mounting needs root";
    EXPECT_EQ(Mounts::GetDriveType(inner + "/file"), DriveType::RamDisk);
    EXPECT_EQ(Mounts::GetDriveType(inner + "s"), DriveType::Fixed) << "no path under the mount";
}
