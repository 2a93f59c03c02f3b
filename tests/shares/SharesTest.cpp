// dalvex2-cli on real network shares of this machine: Samba through smbnetfs
// and SSH through sshfs, brought up once for the suite by shares.sh.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/CliProcess.h"
#include "tests/TempDir.h"

namespace fs = std::filesystem;

namespace {

class Shares : public testing::TestWithParam<std::tuple<const char*, TableRow>> {};

}  // namespace

// Every run leaves the share (files that look like the program's own among
// them) and the temporary directory as they were.
TEST_P(Shares, EndAsExpectedAndLeaveTheShareAsItWas) {
    const auto& [kind, row] = GetParam();
    const json& c = row.data;
    SCOPED_TRACE(c.value("why", ""));
    const std::string state = DALVEX_SHARES_STATE;
    if (fs::exists(state + "/skipped")) GTEST_SKIP() << ReadFile(state + "/skipped");
    const std::string share = ReadFile(state + "/" + kind + ".path");
    ASSERT_FALSE(share.empty()) << "the " << kind << " share is not up";
    const std::string root = share.substr(0, share.size() - 1);
    const std::string mine = root + "/" + c["name"].get<std::string>();
    fs::create_directory(mine);
    WriteFile(mine + "/VXR1234.tmp", "pas à nous");
    WriteFile(mine + "/VXZ00A1.TMP", std::string(70000, 'z'));
    TempDir tmp(c.value("tempOnShare", false) ? root : "");
    WriteFile(tmp.File("VXC0001.TMP"), "local stranger");
    std::vector<std::string> args{mine + c.value("subdir", ""), "--quiet"};
    for (const std::string a : c["args"]) args.push_back(a);
    json expected = c["result"];
    expected["networkPath"] = true;
    RunChecked(args, tmp.Path(), c["status"], expected, {mine, tmp.Path()});
    fs::remove_all(mine);
}

INSTANTIATE_TEST_SUITE_P(
    RealShares, Shares,
    testing::Combine(testing::Values("smb", "sshfs"),
                     testing::ValuesIn(ReadTable(DALVEX_SHARES_RUNS))),
    [](const auto& info) {
        return std::get<0>(info.param) + RowName({std::get<1>(info.param), info.index});
    });
