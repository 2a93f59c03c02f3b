#include "platform/SystemSettings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "tests/TempDir.h"

using platform::SystemSettings;

namespace {
class ConfigDirs {
public:
    explicit ConfigDirs(const std::string& dirs) {
        if (const char* v = std::getenv("XDG_CONFIG_DIRS")) m_saved = v, m_had = true;
        setenv("XDG_CONFIG_DIRS", dirs.c_str(), 1);
    }
    ~ConfigDirs() {
        if (m_had)
            setenv("XDG_CONFIG_DIRS", m_saved.c_str(), 1);
        else
            unsetenv("XDG_CONFIG_DIRS");
    }

private:
    std::string m_saved;
    bool m_had = false;
};
}  // namespace

TEST(SystemSettingsTest, ReadsTheSettingsSectionOfTheCommonFile) {
    TempDir dir;
    std::filesystem::create_directory(dir.File("Quarn"));
    WriteFile(dir.File("Quarn/Common.conf"),
              "[Other]\nFoldersBase=/wrong\n\n[Settings]\nFoldersBase=/srv/donn\xC3\xA9"
              "es/\n");
    ConfigDirs env(dir.Path() + ":/etc/xdg");
    EXPECT_EQ(SystemSettings::FilePath(), dir.File("Quarn/Common.conf"));
    std::string value;
    ASSERT_TRUE(SystemSettings::Read("Settings", "FoldersBase", &value));
    EXPECT_EQ(value,
              "/srv/donn\xE9"
              "es/");
    EXPECT_FALSE(SystemSettings::Read("Settings", "Missing", &value));
}

TEST(SystemSettingsTest, NoFileMeansNoValue) {
    TempDir dir;
    ConfigDirs env(dir.Path());
    std::string value;
    EXPECT_FALSE(SystemSettings::Read("Settings", "FoldersBase", &value));
}
