// Each fault a share can show, injected under a real run of dalvex2-cli: the
// run must fail with the right report, never end as a success, and leave
// nothing behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/CliProcess.h"
#include "tests/FaultMount.h"
#include "tests/TempDir.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

const std::string kZero = "Test d'écriture d'un bloc contenant uniquement zéro";
const std::string kRandom = "Test d'écriture d'un bloc contenant des données aléatoires";
const std::string kAtom = "Test d'écriture par succession de Open/Write/Close";

// Runs the program on a mount with `faults` until it fails (or 20 s pass, which
// fails the test), and gives the failures of the test named `test`.
std::vector<json> FailuresOf(const std::vector<std::string>& faults, const std::string& test) {
    FaultMount mount(faults);
    if (!mount.Mounted()) return {};
    TempDir tmp;
    const CliResult r =
        CliProcess::Run({mount.Path(), "--stop-after", "20", "--json", "-", "--quiet"}, tmp.Path());
    EXPECT_EQ(r.status, 1) << "a fault must never end as a success\n" << r.out << r.err;
    json j;
    try {
        j = json::parse(r.out);
    } catch (const json::exception& e) {
        ADD_FAILURE() << "invalid JSON: " << e.what() << "\n" << r.out;
        return {};
    }
    EXPECT_EQ(j["result"], "failed");
    EXPECT_TRUE(fs::is_empty(mount.Source())) << Listing(mount.Source());
    EXPECT_TRUE(fs::is_empty(tmp.Path())) << Listing(tmp.Path());
    std::vector<json> found;
    for (const auto& f : j["failures"]) {
        if (f["test"] == test) found.push_back(f);
    }
    EXPECT_FALSE(found.empty()) << j.dump(2);
    return found;
}

#define SKIP_WITHOUT_FUSE() \
    if (!FaultMount::Available()) GTEST_SKIP() << "FUSE, root or faultfs missing"

}  // namespace

TEST(FaultInjectionTest, AFlippedBitIsDataThatDiffer) {
    SKIP_WITHOUT_FUSE();
    for (const json& f : FailuresOf({"flip:VXZ:100000:3"}, kZero)) {
        EXPECT_EQ(f["category"], "data-differ");
        EXPECT_EQ(f["position"], 100000);
        EXPECT_EQ(f["expected"], "00000000000000000000");
        EXPECT_EQ(f["read"], "08000000000000000000");
        EXPECT_TRUE(f["operation"].is_null());
    }
}

TEST(FaultInjectionTest, AFlippedBitInRandomData) {
    SKIP_WITHOUT_FUSE();
    for (const json& f : FailuresOf({"flip:VXR:200001:0"}, kRandom)) {
        EXPECT_EQ(f["category"], "data-differ");
        EXPECT_EQ(f["position"], 200001);
        const std::string expected = f["expected"], read = f["read"];
        ASSERT_EQ(expected.size(), 20u);
        ASSERT_EQ(read.size(), 20u);
        EXPECT_EQ(std::stoi(expected.substr(0, 2), nullptr, 16) ^ 1,
                  std::stoi(read.substr(0, 2), nullptr, 16));
        EXPECT_EQ(expected.substr(2), read.substr(2));
    }
}

TEST(FaultInjectionTest, AShortReadIsATruncatedFile) {
    SKIP_WITHOUT_FUSE();
    for (const json& f : FailuresOf({"short:VXZ:70000"}, kZero)) {
        EXPECT_EQ(f["category"], "truncated");
        EXPECT_EQ(f["position"], 70000);
        EXPECT_EQ(f["expected"], "");
        EXPECT_EQ(f["read"], "");
    }
}

TEST(FaultInjectionTest, ADroppedWriteShowsAsDifferentData) {
    SKIP_WITHOUT_FUSE();
    // A hole reads as zeros, so the random data show the loss.
    for (const json& f : FailuresOf({"drop:VXR:3"}, kRandom)) {
        EXPECT_EQ(f["category"], "data-differ");
        EXPECT_LT(f["position"].get<uint32_t>(), 3u * 58997);
    }
}

TEST(FaultInjectionTest, FailedCallsNameTheirOperationAndCode) {
    SKIP_WITHOUT_FUSE();
    struct Case {
        std::string fault, test, category, operation;
        uint32_t winerr;
        uint32_t positionStep;  // the failure's position is a multiple of this
    };
    const Case cases[] = {
        {"fail:write:3:ENOSPC:VXZ", kZero, "disk-full", "WriteFile", 112, 65536},
        {"fail:write:2:EDQUOT:VXZ", kZero, "disk-full", "WriteFile", 112, 65536},
        {"fail:write:1:EACCES:VXA", kAtom, "io-error", "WriteFile", 5, 1},
        {"fail:read:2:EIO:VXZ", kZero, "io-error", "ReadFile", 1117, 65536},
        {"fail:read:1:ECONNRESET:VXZ", kZero, "io-error", "ReadFile", 64, 65536},
        // The first close of a file is that of the empty file its name is made with.
        {"fail:close:1:EIO:VXZ", kZero, "io-error", "GetTempFileName", 1117, 1},
        {"fail:closewritten:1:EIO:VXZ", kZero, "io-error", "CloseHandle", 1117, 3145728},
        // (ESTALE would not do here: the kernel retries a stale unlink by itself.)
        {"fail:unlink:1:EIO:VXZ", kZero, "io-error", "DeleteFile", 1117, 65536},
        {"fail:create:1:EACCES:VXZ", kZero, "io-error", "GetTempFileName", 5, 1},
        {"fail:create:2:ETIMEDOUT:VXA", kAtom, "io-error", "GetTempFileName", 121, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        const auto failures = FailuresOf({c.fault}, c.test);
        ASSERT_EQ(failures.size(), 1u) << "the fault strikes one call only";
        const json& f = failures[0];
        EXPECT_EQ(f["category"], c.category);
        EXPECT_EQ(f["errorKind"], 1);
        EXPECT_EQ(f["operation"], c.operation);
        EXPECT_EQ(f["winerr"], c.winerr);
        EXPECT_FALSE(f["message"].get<std::string>().empty());
        EXPECT_EQ(f["position"].get<uint32_t>() % c.positionStep, 0u);
        EXPECT_LE(f["position"].get<uint32_t>(), 3145728u);
    }
}

TEST(FaultInjectionTest, AFileBusyForAMomentIsDeletedAfterAll) {
    // As an SMB server does while a FUSE client's last close is on its way.
    FaultMount mount({"fail:unlink:1:EBUSY:VXZ", "fail:unlink:2:EBUSY:VXZ"});
    if (!mount.Mounted()) GTEST_SKIP() << "FUSE, root or faultfs missing";
    TempDir tmp;
    const CliResult r =
        CliProcess::Run({mount.Path(), "--stop-after", "3", "--json", "-", "--quiet"}, tmp.Path());
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(json::parse(r.out)["result"], "ok");
    EXPECT_TRUE(fs::is_empty(mount.Source())) << Listing(mount.Source());
}
