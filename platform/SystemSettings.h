#pragma once
#include <string>
#include <string_view>

namespace platform {

// The read-only, system-wide settings of the maker's programs: the file
// Quarn/Common.conf in the first directory of $XDG_CONFIG_DIRS (/etc/xdg when
// unset), in the INI form that Qt writes. Any thread.
class SystemSettings {
public:
    // The value, in Windows-1252, with surrounding double quotes removed; false
    // when the file, the section or the key is missing.
    static bool Read(std::string_view section, std::string_view key, std::string* value);

    static std::string FilePath();
};

}  // namespace platform
