#pragma once
#include <string>
#include <string_view>

namespace platform {

// The program's resources, compiled into the executable. Any thread.
class Resources {
public:
    // A string-table entry in Windows-1252; false when there is none.
    static bool FindString(unsigned id, std::string* ansi);

    // A whole document of a resource type ("RTF"), stored as resources/<id>.<type in
    // lower case>; its bytes unchanged. False when there is none.
    static bool FindDocument(unsigned id, std::string_view type, std::string_view* bytes);
};

}  // namespace platform
