// dalvex2-cli on real network shares of this machine: Samba through smbnetfs
// and SSH through sshfs, each brought up by the scripts beside this file.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>

#include "tests/CliProcess.h"
#include "tests/TempDir.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

const std::string kNotNetwork = "Le chemin que vous avez indiqué n'est pas un chemin réseau.";

// One share, up for the lifetime of the object.
class Share {
public:
    explicit Share(const std::string& kind)
        : m_script(std::string(DALVEX_SHARES_DIR) + "/" + kind + ".sh") {
        if (geteuid() != 0) return;
        const std::string command = m_script + " up " + m_state.Path() + " 2>&1";
        FILE* p = popen(command.c_str(), "r");
        char line[4096];
        std::string out;
        while (p && fgets(line, sizeof line, p)) out += line;
        const int status = p ? pclose(p) : -1;
        if (status == 0 && !out.empty()) {
            m_path = out.substr(out.rfind('\n', out.size() - 2) == std::string::npos
                                    ? 0
                                    : out.rfind('\n', out.size() - 2) + 1);
            m_path.pop_back();
        } else {
            m_error = out;
        }
    }
    ~Share() { std::system((m_script + " down " + m_state.Path()).c_str()); }

    bool Up() const { return !m_path.empty(); }
    const std::string& Path() const { return m_path; }
    const std::string& Error() const { return m_error; }

private:
    std::string m_script;
    TempDir m_state{"/var/tmp"};
    std::string m_path;
    std::string m_error;
};

#define SHARE_OR_SKIP(share)                                             \
    if (!(share).Up())                                                   \
    GTEST_SKIP() << "no share here (root, FUSE and the server packages " \
                    "are needed): "                                      \
                 << (share).Error()

class Shares : public testing::TestWithParam<const char*> {};

void PutStrangers(const std::string& dir) {
    // Files that look like the program's own; they must come out untouched.
    WriteFile(dir + "/VXR1234.tmp", "pas \xC3\xA0 nous");
    WriteFile(dir + "/VXZ00A1.TMP", std::string(70000, 'z'));
    WriteFile(dir + "/notes.txt", "garder");
}

}  // namespace

TEST_P(Shares, AHealthyRunWithTwoSetsEndsWell) {
    Share share(GetParam());
    SHARE_OR_SKIP(share);
    PutStrangers(share.Path());
    const auto before = Snapshot(share.Path());
    TempDir tmp;
    const CliResult r = CliProcess::Run(
        {share.Path(), "--sets", "2", "--stop-after", "30", "--json", "-", "--quiet"}, tmp.Path());
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    const json j = json::parse(r.out);
    EXPECT_EQ(j["result"], "ok") << j.dump(2);
    EXPECT_EQ(j["networkPath"], true);
    EXPECT_EQ(r.err.find(kNotNetwork), std::string::npos) << "no warning for a network path";
    EXPECT_EQ(j["settings"]["simultaneousTests"], 2);
    EXPECT_GT(j["bytesWritten"].get<uint64_t>(), 0u);
    EXPECT_EQ(j["bytesWritten"], j["bytesRead"]);
    EXPECT_GT(j["throughput"].get<uint64_t>(), 0u);
    EXPECT_EQ(Snapshot(share.Path()), before);
    EXPECT_TRUE(fs::is_empty(tmp.Path()));
}

INSTANTIATE_TEST_SUITE_P(RealShares, Shares, testing::Values("smb", "sshfs"));

// Every way a run can end leaves the share and the temporary directory as
// they were.
class Endings : public testing::Test {
protected:
    void SetUp() override {
        if (!share.Up()) GTEST_SKIP() << "no SSHFS share here: " << share.Error();
        PutStrangers(share.Path());
        WriteFile(tmp.Path() + "/VXC0001.TMP", "local stranger");
        before = Snapshot(share.Path());
        tempBefore = Snapshot(tmp.Path());
    }
    void ExpectUntouched() {
        EXPECT_EQ(Snapshot(share.Path()), before);
        EXPECT_EQ(Snapshot(tmp.Path()), tempBefore);
    }
    json Interrupted(int interrupts, int status) {
        // Before an abort, cycles of 30 MB outlast the gap between the signals.
        CliProcess cli({share.Path(), "--until-stopped", "--space", interrupts == 2 ? "300" : "30",
                        "--json", "-", "--quiet"},
                       tmp.Path());
        std::this_thread::sleep_for(std::chrono::seconds(3));
        for (int i = 0; i < interrupts; ++i) {
            cli.Signal(SIGINT);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        const CliResult r = cli.Wait();
        EXPECT_EQ(r.status, status) << r.err;
        return json::parse(r.out);
    }

    Share share{"sshfs"};
    TempDir tmp;
    std::map<std::string, std::string> before, tempBefore;
};

TEST_F(Endings, Stop) {
    const CliResult r =
        CliProcess::Run({share.Path(), "--stop-after", "5", "--json", "-", "--quiet"}, tmp.Path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(json::parse(r.out)["ending"], "time-up");
    ExpectUntouched();
}

TEST_F(Endings, CtrlCOnceStopsAfterTheCycle) {
    const json j = Interrupted(1, 0);
    EXPECT_EQ(j["ending"], "stopped");
    EXPECT_EQ(j["result"], "ok");
    EXPECT_EQ(j["bytesWritten"], j["bytesRead"]);
    ExpectUntouched();
}

TEST_F(Endings, CtrlCTwiceAborts) {
    const json j = Interrupted(2, 3);
    EXPECT_EQ(j["ending"], "aborted");
    EXPECT_EQ(j["result"], "interrupted") << "part of the data was never read back";
    ExpectUntouched();
}

TEST_F(Endings, AFailure) {
    // A directory of the share that does not exist: every server test fails.
    const CliResult r = CliProcess::Run(
        {share.Path() + "/absent", "--stop-after", "20", "--json", "-", "--quiet"}, tmp.Path());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(json::parse(r.out)["result"], "failed");
    EXPECT_EQ(json::parse(r.out)["ending"], "failure");
    ExpectUntouched();
}

// The whole duration (3 minutes at the least); labelled "long".
TEST_F(Endings, NormalEndOfTheDuration) {
    const CliResult r =
        CliProcess::Run({share.Path(), "--minutes", "3", "--json", "-", "--quiet"}, tmp.Path());
    EXPECT_EQ(r.status, 0) << r.err;
    const json j = json::parse(r.out);
    EXPECT_GE(j["elapsedMs"].get<uint32_t>(), 180000u);
    EXPECT_EQ(j["ending"], "time-up");
    EXPECT_EQ(j["bytesWritten"], j["bytesRead"]);
    ExpectUntouched();
}
