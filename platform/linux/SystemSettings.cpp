#include "platform/SystemSettings.h"

#include <ini.h>

#include <cstdlib>

#include "platform/Encoding.h"

namespace platform {
namespace {

struct Query {
    std::string_view section;
    std::string_view key;
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

std::string SystemSettings::FilePath() {
    std::string dirs;
    if (const char* env = std::getenv("XDG_CONFIG_DIRS"); env && *env) dirs = env;
    std::string first = dirs.substr(0, dirs.find(':'));
    if (first.empty()) first = "/etc/xdg";
    return first + "/Quarn/Common.conf";
}

bool SystemSettings::Read(std::string_view section, std::string_view key, std::string* value) {
    Query q{section, key, {}, false};
    if (ini_parse(FilePath().c_str(), OnEntry, &q) < 0 || !q.found) return false;
    *value = Encoding::Utf8ToAnsi(q.value);
    return true;
}

}  // namespace platform
