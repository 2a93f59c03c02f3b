#include "platform/SystemSettings.h"

#include <cstdlib>

#include "platform/IniFile.h"

namespace platform {

std::string SystemSettings::FilePath() {
    std::string dirs;
    if (const char* env = std::getenv("XDG_CONFIG_DIRS"); env && *env) dirs = env;
    std::string first = dirs.substr(0, dirs.find(':'));
    if (first.empty()) first = "/etc/xdg";
    return first + "/Quarn/Common.conf";
}

bool SystemSettings::Read(std::string_view section, std::string_view key, std::string* value) {
    return IniFile::ReadSystemPath(FilePath(), section, key, value);
}

}  // namespace platform
