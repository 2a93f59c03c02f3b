// main() of the widget tests: one QApplication on the offscreen platform, so
// the tests run without a display, then every test. HOME and the settings
// folder are the tests' own: the user's real ones must gain nothing.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QDir>
#include <cstdlib>
#include <map>
#include <string>

#include "tests/TempDir.h"

namespace {

// The names of the files a folder holds at its top, and the size and change
// time of Qt's own settings file, which a dialog would write. Its folders are
// left out, and the other files' contents: other programs may work there
// meanwhile.
std::map<std::string, std::string> Files(const QString& folder) {
    std::map<std::string, std::string> files;
    const QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        std::string& seen = files[name.toStdString()];
        struct stat st {};
        if (name == QLatin1String("QtProject.conf") &&
            ::lstat(QDir(folder).filePath(name).toLocal8Bit().constData(), &st) == 0) {
            seen = std::to_string(st.st_size) + " " + std::to_string(st.st_ctim.tv_sec) + "." +
                   std::to_string(st.st_ctim.tv_nsec);
        }
    }
    return files;
}

class RealFoldersUntouched : public testing::Environment {
public:
    RealFoldersUntouched() {
        const QString home = QDir::homePath();
        const QString config = qEnvironmentVariable("XDG_CONFIG_HOME", home + "/.config");
        m_folders = {home, config};
        for (const QString& folder : m_folders) m_before.push_back(Files(folder));
        ::setenv("HOME", m_home.Path().c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", m_home.File("config").c_str(), 1);
    }
    void TearDown() override {
        for (qsizetype i = 0; i < m_folders.size(); ++i) {
            EXPECT_EQ(Files(m_folders[i]), m_before[static_cast<std::size_t>(i)])
                << m_folders[i].toStdString();
        }
    }

private:
    TempDir m_home;
    QStringList m_folders;
    std::vector<std::map<std::string, std::string>> m_before;
};

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // The desktop's real services hear nothing of the tests: no lock taken,
    // no notification shown. Those that test them bring a bus of their own
    // (tests/FakeDesktop.h).
    for (const char* bus : {"DBUS_SESSION_BUS_ADDRESS", "DBUS_SYSTEM_BUS_ADDRESS"})
        ::setenv(bus, "unix:path=/nonexistent/bus", 1);
    testing::InitGoogleTest(&argc, argv);
    testing::AddGlobalTestEnvironment(new RealFoldersUntouched);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
