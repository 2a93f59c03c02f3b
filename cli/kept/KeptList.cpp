#include "cli/kept/KeptList.h"

#include <cinttypes>
#include <cstdio>
#include <limits>
#include <nlohmann/json.hpp>

#include "engine/StampedBlock.h"

using nlohmann::json;
using nlohmann::ordered_json;

namespace {

constexpr int kFormat = 1;

// A name the program gives a test file: "VX", a letter, four hexadecimal
// digits, ".TMP".
bool IsTestFileName(std::string_view name) {
    if (name.size() != 11 || !name.starts_with("VX") || !name.ends_with(".TMP")) return false;
    if (name[2] < 'A' || name[2] > 'Z') return false;
    for (char c : name.substr(3, 4)) {
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
    }
    return true;
}

template <typename T>
bool Number(const json& j, const char* name, T* out) {
    const auto it = j.find(name);
    if (it == j.end() || !it->is_number_unsigned()) return false;
    const uint64_t v = it->get<uint64_t>();
    if (v > std::numeric_limits<T>::max()) return false;
    *out = static_cast<T>(v);
    return true;
}

bool Text(const json& j, const char* name, std::string* out) {
    const auto it = j.find(name);
    if (it == j.end() || !it->is_string()) return false;
    *out = it->get<std::string>();
    return true;
}

bool RunId(const json& j, uint64_t* out) {
    std::string hex;
    if (!Text(j, "runId", &hex) || hex.size() != 16) return false;
    uint64_t v = 0;
    for (char c : hex) {
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (digit < 0) return false;
        v = v << 4 | static_cast<uint64_t>(digit);
    }
    *out = v;
    return true;
}

// The blocks of `file`, which must cover its length exactly.
bool Blocks(const json& j, KeptFile* file) {
    const auto it = j.find("blocks");
    if (it == j.end() || !it->is_array()) return false;
    const uint64_t due = (uint64_t{file->size} + StampedBlock::kSize - 1) / StampedBlock::kSize;
    uint64_t covered = 0;
    for (const json& run : *it) {
        if (!run.is_array() || run.size() != 3) return false;
        KeptFile::Blocks b;
        for (const json& v : run) {
            if (!v.is_number_unsigned() || v.get<uint64_t>() > UINT32_MAX) return false;
        }
        b.generation = run[0].get<uint32_t>();
        b.stamped = run[1].get<uint32_t>();
        b.count = run[2].get<uint32_t>();
        if (b.count == 0 || b.stamped > StampedBlock::kSize ||
            (b.generation == 0) != (b.stamped == 0))
            return false;
        covered += b.count;
        if (covered > due) return false;
        file->blocks.push_back(b);
    }
    return covered == due;
}

bool File(const json& j, KeptFile* file) {
    return j.is_object() && Text(j, "name", &file->name) && IsTestFileName(file->name) &&
           Number(j, "size", &file->size) && file->size != 0 && RunId(j, &file->runId) &&
           Number(j, "clientId", &file->clientId) && Number(j, "serial", &file->serial) &&
           Blocks(j, file);
}

}  // namespace

std::string KeptList::Dump() const {
    ordered_json head;
    head["keptFiles"] = kFormat;
    head["version"] = version;
    head["label"] = label;
    head["host"] = host;
    head["startedAt"] = startedAt;
    head["directory"] = directory;
    // One file a line: a list of a few hundred blocks each stays readable.
    std::string text = head.dump(2);
    text.resize(text.size() - 2);  // "\n}"
    text += ",\n  \"files\": [";
    for (std::size_t i = 0; i < files.size(); ++i) {
        const KeptFile& f = files[i];
        char runId[17];
        std::snprintf(runId, sizeof runId, "%016" PRIx64, f.runId);
        ordered_json file;
        file["name"] = f.name;
        file["size"] = f.size;
        file["runId"] = runId;
        file["clientId"] = f.clientId;
        file["serial"] = f.serial;
        file["blocks"] = ordered_json::array();
        for (const KeptFile::Blocks& b : f.blocks) {
            file["blocks"].push_back({b.generation, b.stamped, b.count});
        }
        text += (i == 0 ? "\n    " : ",\n    ") + file.dump();
    }
    return text + (files.empty() ? "]\n}\n" : "\n  ]\n}\n");
}

bool KeptList::Parse(std::string_view text, KeptList* list, std::string* badMember) {
    const json j = json::parse(text, nullptr, false);
    const auto bad = [&](const char* name) {
        *badMember = name;
        return false;
    };
    if (!j.is_object()) return bad("keptFiles");
    int format = 0;
    if (!Number(j, "keptFiles", &format) || format != kFormat) return bad("keptFiles");
    for (const auto& [name, out] : {std::pair{"version", &list->version},
                                    {"label", &list->label},
                                    {"host", &list->host},
                                    {"startedAt", &list->startedAt},
                                    {"directory", &list->directory}}) {
        if (!Text(j, name, out)) return bad(name);
    }
    if (list->directory.empty()) return bad("directory");
    const auto files = j.find("files");
    // A check of no file at all would prove nothing.
    if (files == j.end() || !files->is_array() || files->empty() || files->size() > kMostFiles) {
        return bad("files");
    }
    for (const json& f : *files) {
        KeptFile file;
        if (!File(f, &file)) return bad("files");
        list->files.push_back(std::move(file));
    }
    return true;
}
