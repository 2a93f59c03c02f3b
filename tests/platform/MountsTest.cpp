#include "platform/Mounts.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/TempDir.h"

using platform::DriveType;
using platform::Mounts;

TEST(MountsTest, KindOfTheMountThatHoldsThePath) {
    TempDir disk;
    EXPECT_EQ(Mounts::GetDriveType(disk.Path()), DriveType::Fixed);
    EXPECT_EQ(Mounts::GetDriveType("/dev/shm"), DriveType::RamDisk);
    EXPECT_EQ(Mounts::GetMountType("/dev/shm"), "tmpfs");
    // A path that does not exist yet belongs to the mount of its nearest ancestor.
    EXPECT_EQ(Mounts::GetDriveType("/dev/shm/not/yet/there"), DriveType::RamDisk);
    EXPECT_EQ(Mounts::GetDriveType("\\dev\\shm\\x"), DriveType::RamDisk);
}

TEST(MountsTest, MountPointsWithBlanksAndNestedMounts) {
    TempDir parent("/dev/shm");
    const std::string inner = parent.Path() + "/with blank";
    std::filesystem::create_directory(inner);
    TmpfsMount outer("1m");
    if (!outer.Mounted()) GTEST_SKIP() << "mounting needs root";
    // A tmpfs mounted on the local disk: the longest mount point wins.
    EXPECT_EQ(Mounts::GetDriveType(outer.Path() + "/file"), DriveType::RamDisk);
    EXPECT_EQ(Mounts::GetDriveType(outer.Path() + "-sibling"), DriveType::Fixed);
}

TEST(MountsTest, RelativePathsFollowTheCurrentDirectory) {
    const auto saved = std::filesystem::current_path();
    std::filesystem::current_path("/dev/shm");
    EXPECT_EQ(Mounts::GetDriveType("some/relative/dir"), DriveType::RamDisk);
    EXPECT_EQ(Mounts::GetDriveType(""), DriveType::RamDisk);
    std::filesystem::current_path(saved);
}
