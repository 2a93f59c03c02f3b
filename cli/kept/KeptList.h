#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/KeptFile.h"

// The list of the files a run kept for a later check (dalvex2-cli --keep
// LIST), its one definition: written once the run ends "ok", read by
// verify. A JSON object, texts in UTF-8:
//   "keptFiles": 1 (the format), "version", "label", "host", "startedAt":
//       the program and the run that kept them;
//   "directory": where they are, as that run was given it;
//   "files": [{"name", "size", "runId" (16 hexadecimal digits), "clientId",
//       "serial", "blocks": [[write, stamped bytes, count]...]}].
// Any thread.
struct KeptList {
    // More files than any run keeps, and a larger list than any of them
    // makes: a list that holds more is not read.
    static constexpr std::size_t kMostFiles = 4096;
    static constexpr uint32_t kMaxBytes = 64u << 20;

    std::string version;
    std::string label;
    std::string host;
    std::string startedAt;
    std::string directory;
    std::vector<KeptFile> files;

    std::string Dump() const;
    // False, with the name of the first member that is missing or wrong in
    // `badMember`, for a text that is not a whole list: every member of its
    // kind, at least one file, every file named as the program names its
    // test files (a plain name, never a path), its blocks covering its
    // length exactly.
    static bool Parse(std::string_view text, KeptList* list, std::string* badMember);
};
