#include "platform/IniFile.h"

#include <ini.h>

#include "platform/Encoding.h"
#include "platform/FileApi.h"

namespace platform {
namespace {

// The file is UTF-8, so the query is too.
struct Query {
    std::string section;
    std::string key;
    std::string value;
    bool found = false;
};

int OnEntry(void* user, const char* section, const char* name, const char* value) {
    auto* q = static_cast<Query*>(user);
    if (q->section == section && q->key == name) {
        std::string_view v = value;
        if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
        q->value.assign(v.data(), v.size());
        q->found = true;
    }
    return 1;
}

}  // namespace

bool IniFile::Read(std::string_view path, std::string_view section, std::string_view key,
                   std::string* value) {
    std::string sys;
    return FileApi::ToSystemPath(path, &sys) && ReadSystemPath(sys, section, key, value);
}

bool IniFile::ReadSystemPath(const std::string& path, std::string_view section,
                             std::string_view key, std::string* value) {
    Query q{Encoding::AnsiToUtf8(section), Encoding::AnsiToUtf8(key), {}, false};
    if (ini_parse(path.c_str(), OnEntry, &q) < 0 || !q.found) return false;
    *value = Encoding::Utf8ToAnsi(q.value);
    return true;
}

}  // namespace platform
