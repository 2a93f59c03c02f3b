#include "cli/kept/KeptList.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

using nlohmann::json;

namespace {

KeptList Sample() {
    return {"2.0.0",
            "poste-12",
            "vm",
            "2026-12-08T22:46:10+01:00",
            "/mnt/partage/été",
            {{"VXO1A2B.TMP", 9000, 0x0123456789abcdefull, 77, 5, {{3, 4096, 2}, {1, 808, 1}}},
             {"VXT00FF.TMP", 4096, 1, 2, 3, {{0, 0, 1}}}}};
}

}  // namespace

// A list reads back as it was written; one that the program did not write
// whole, or that names anything but a test file of its own, is refused
// with the member at fault.
TEST(KeptListTest, ReadsBackWhatWasWrittenAndNothingElse) {
    const KeptList sample = Sample();
    KeptList read;
    std::string bad;
    ASSERT_TRUE(KeptList::Parse(sample.Dump(), &read, &bad)) << bad << sample.Dump();
    EXPECT_EQ(
        std::tie(read.version, read.label, read.host, read.startedAt, read.directory),
        std::tie(sample.version, sample.label, sample.host, sample.startedAt, sample.directory));
    EXPECT_EQ(read.files, sample.files);

    const json good = json::parse(sample.Dump());
    // The list with the member at `pointer` changed.
    const auto with = [&](const char* pointer, const json& value) {
        json j = good;
        j[json::json_pointer(pointer)] = value;
        return j.dump();
    };
    const struct {
        const char* why;
        std::string text;
        const char* member;
    } refused[] = {
        {"not JSON", "{\"keptFiles\": 1,", "keptFiles"},
        {"a result, not a list", R"({"result": "ok"})", "keptFiles"},
        {"a later format", with("/keptFiles", 2), "keptFiles"},
        {"no file", with("/files", json::array()), "files"},
        {"no directory", with("/directory", ""), "directory"},
        {"a path, not a name", with("/files/0/name", "../../etc/passwd"), "files"},
        {"a name in a folder", with("/files/0/name", "sub/VXO1A2B.TMP"), "files"},
        {"a stranger's file", with("/files/0/name", "VXO1A2B.txt"), "files"},
        {"lower-case digits", with("/files/0/name", "VXO1a2b.TMP"), "files"},
        {"an empty file", with("/files/0/size", 0), "files"},
        {"blocks short of the length", with("/files/0/size", 9000 + 4096), "files"},
        {"blocks past the length", with("/files/0/size", 4096), "files"},
        {"a block of more than 4 KiB",
         with("/files/0/blocks", json::parse("[[3,4097,2],[1,808,1]]")), "files"},
        {"zeros with bytes", with("/files/0/blocks", json::parse("[[0,4096,2],[1,808,1]]")),
         "files"},
        {"no blocks in a run",
         with("/files/0/blocks", json::parse("[[3,4096,2],[1,808,0],[1,808,1]]")), "files"},
        {"a huge run", with("/files/0/blocks", json::parse("[[3,4096,4294967295]]")), "files"},
        {"a run id that is no number", with("/files/0/runId", "0123456789abcdeg"), "files"},
        {"a run id too short", with("/files/0/runId", "123"), "files"},
        {"a negative serial", with("/files/0/serial", -1), "files"},
    };
    for (const auto& r : refused) {
        KeptList list;
        bad.clear();
        EXPECT_FALSE(KeptList::Parse(r.text, &list, &bad)) << r.why;
        EXPECT_EQ(bad, r.member) << r.why;
    }
}
