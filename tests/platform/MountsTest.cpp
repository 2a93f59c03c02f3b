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
    // A path that does not exist yet belongs to the mount of its nearest ancestor.
    EXPECT_EQ(Mounts::GetDriveType("/dev/shm/not/yet/there"), DriveType::RamDisk);
}

TEST(MountsTest, MountPointsWithBlanksAndNestedMounts) {
    TempDir disk;
    const std::string inner = disk.Path() + "/with blank";  // \040 in the mount table
    std::filesystem::create_directory(inner);
    TmpfsMount ram("1m", "", inner);
    if (!ram.Mounted()) GTEST_SKIP() << "mounting needs root";
    // A tmpfs mounted on the local disk: the longest mount point wins.
    EXPECT_EQ(Mounts::GetDriveType(inner + "/file"), DriveType::RamDisk);
    EXPECT_EQ(Mounts::GetDriveType(disk.Path() + "/with"), DriveType::Fixed);
    bool listed = false;
    for (const auto& m : Mounts::List()) listed |= m.path == inner + "/";
    EXPECT_TRUE(listed);
}

TEST(MountsTest, RelativePathsFollowTheCurrentDirectory) {
    const auto saved = std::filesystem::current_path();
    std::filesystem::current_path("/dev/shm");
    EXPECT_EQ(Mounts::GetDriveType("some/relative/dir"), DriveType::RamDisk);
    EXPECT_EQ(Mounts::GetDriveType(""), DriveType::RamDisk);
    std::filesystem::current_path(saved);
}
