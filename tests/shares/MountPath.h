#pragma once
#include <string>

#include "tests/TempDir.h"

// The share's directory as a mount shows it, from the file shares.sh wrote
// it into, without its line break or a trailing slash.
inline std::string MountPath(const std::string& file) {
    std::string path = ReadFile(file);
    while (!path.empty() && (path.back() == '\n' || path.back() == '/')) path.pop_back();
    return path;
}
