#pragma once
#include <string>
#include <string_view>

namespace platform {

// One value of a file in the INI form (the system-wide settings, a patch
// description). Any thread.
class IniFile {
public:
    // Path, section, key and value in Windows-1252; the value with surrounding
    // double quotes removed. Names are matched exactly and the last matching
    // line wins. False when the file, the section or the key is missing.
    static bool Read(std::string_view path, std::string_view section, std::string_view key,
                     std::string* value);
    // The same for a path as the system spells it (UTF-8), such as one taken
    // from the environment.
    static bool ReadSystemPath(const std::string& path, std::string_view section,
                               std::string_view key, std::string* value);
};

}  // namespace platform
