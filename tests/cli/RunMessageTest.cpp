#include "cli/supervision/RunMessage.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <tuple>

#include "platform/Clock.h"
#include "tests/Failures.h"

namespace {

// Every field a report, the JSON or the status line reads, each named when
// it differs.
void ExpectSameTest(const TestSnapshot& a, const TestSnapshot& b) {
    const auto same = [](const char* name, const auto& x, const auto& y) {
        EXPECT_EQ(x, y) << name;
    };
    const TestFailure &f = a.failure, &g = b.failure;
    same("testname", a.testname, b.testname);
    same("tstdir", a.tstdir, b.tstdir);
    same("state", a.state, b.state);
    same("exited", a.exited, b.exited);
    same("stalled", a.stalled, b.stalled);
    same("written", std::tie(a.bytesWritten[0], a.bytesWritten[1]),
         std::tie(b.bytesWritten[0], b.bytesWritten[1]));
    same("read", std::tie(a.bytesRead[0], a.bytesRead[1]),
         std::tie(b.bytesRead[0], b.bytesRead[1]));
    same("call",
         std::tie(a.pending, a.call.operation, a.call.position, a.call.file, a.call.sinceTicks),
         std::tie(b.pending, b.call.operation, b.call.position, b.call.file, b.call.sinceTicks));
    same("error", std::tie(f.errorKind, f.winerr, f.sysErrno, f.operation, f.position),
         std::tie(g.errorKind, g.winerr, g.sysErrno, g.operation, g.position));
    same("data", std::tie(f.datawait, f.dataget), std::tie(g.datawait, g.dataget));
    same("damage", f.damage, g.damage);
    same("stall", std::tie(f.stallSeconds, f.stallFile), std::tie(g.stallSeconds, g.stallFile));
    same("failed at", std::tie(f.failTicks, f.localtime.minute),
         std::tie(g.failTicks, g.localtime.minute));
    same("peer", a.peer, b.peer);
    same("leftFiles", a.leftFiles, b.leftFiles);
    same("kept", a.kept, b.kept);
}

void ExpectSameRun(const RunSnapshot& a, const RunSnapshot& b) {
    EXPECT_EQ(std::tuple(a.startTicks, a.stopTicks, a.takenTicks),
              std::tuple(b.startTicks, b.stopTicks, b.takenTicks));
    ASSERT_EQ(a.tests.size(), b.tests.size());
    for (std::size_t i = 0; i < a.tests.size(); ++i) ExpectSameTest(a.tests[i], b.tests[i]);
}

}  // namespace

// The supervisor's snapshot says what the child's says, through a stream cut
// anywhere; a message it cannot read is refused.
TEST(RunMessageTest, TheSnapshotMatchesThroughAnyCut) {
    RunSnapshot run{1000, 0, 4000, {TestSnapshot(), TestSnapshot()}};
    TestSnapshot& failed = run.tests[0];
    failed.testname = Chaine("Test de recopie de fichier");
    failed.tstdir = Chaine("/srv/partage");
    failed.state = TestSnapshot::kFailed;
    failed.bytesWritten[0] = 123456789;
    failed.bytesRead[1] = 42;
    failed.failure = SystemFailure(112, TestFailure::kWriteFile, 65536, ENOSPC);
    failed.failure.datawait = Chaine("00ff"), failed.failure.dataget = Chaine("0100");
    failed.failure.stallSeconds = 9, failed.failure.stallFile = Chaine("/srv/partage/VXZ1.TMP");
    failed.failure.failTicks = 3000, failed.failure.localtime.minute = 17;
    failed.failure.damage = {
        .kind = Damage::kOtherFile, .where = -1, .count = 1ull << 40, .file = 7, .expected = 3};
    failed.leftFiles = {Chaine("/tmp/VXC2.TMP"), Chaine("/srv/partage/VXC1.TMP")};
    failed.peer = Chaine("poste-02");
    failed.kept = {"VXO1A2B.TMP", 9000, 1ull << 63, 77, 5, {{3, 4096, 2}, {0, 0, 0}, {1, 808, 1}}};
    TestSnapshot& waiting = run.tests[1];
    waiting.pending = true;
    waiting.call = {TestFailure::kReadFile, 4096, Chaine("/srv/partage/VXA1.TMP"), 500};
    waiting.exited = waiting.stalled = true;

    const ShareClient client{Chaine("fuse.rclone"), Chaine("smb:partage"), true, true};
    const std::string message =
        RunMessage::Checking() +
        RunMessage::Started(client, RunMessage::kUnusableDirectory, Chaine("pourquoi")) +
        RunMessage::Teller().Progress({RunVerdict::kAborted, true, 1500}, run, false) +
        RunMessage::Finished(true);
    for (std::size_t cut : {std::size_t{1}, std::size_t{7}, message.size() - 1}) {
        RunMessage::Splitter splitter;
        splitter.Feed(message.data(), cut);
        splitter.Feed(message.data() + cut, message.size() - cut);
        std::string body;
        std::vector<RunMessage::Kind> kinds;
        RunSnapshot copy;
        RunMessage::RunState state;
        ShareClient told;
        RunMessage::Refusal refusal = RunMessage::kStarts;
        Chaine why;
        bool left = false;
        while (splitter.Next(&body)) {
            kinds.push_back(RunMessage::KindOf(body));
            if (kinds.back() == RunMessage::kStarted) {
                EXPECT_TRUE(RunMessage::ReadStarted(body, &told, &refusal, &why));
            }
            if (kinds.back() == RunMessage::kFinished) {
                EXPECT_TRUE(RunMessage::ReadFinished(body, &left));
            }
            if (kinds.back() != RunMessage::kProgress) continue;
            // Shorter or longer by a byte, or claiming too many records: refused.
            uint32_t number = 0;
            EXPECT_FALSE(
                RunMessage::ReadProgress(body.substr(0, body.size() - 1), &state, &copy, &number));
            EXPECT_FALSE(RunMessage::ReadProgress(body + 'x', &state, &copy, &number));
            std::string many = body;
            many[1 + 4 + 4 + 4 + 1 + 4 + 12] = '\xff';  // the test count's low bytes
            many[1 + 4 + 4 + 4 + 1 + 4 + 12 + 1] = '\xff';
            EXPECT_FALSE(RunMessage::ReadProgress(many, &state, &copy, &number));
            ASSERT_TRUE(RunMessage::ReadProgress(body, &state, &copy, &number));
        }
        EXPECT_EQ(kinds, (std::vector{RunMessage::kChecking, RunMessage::kStarted,
                                      RunMessage::kProgress, RunMessage::kFinished}));
        EXPECT_EQ(std::tuple(told.type, told.source, told.network, told.cachesWrites, refusal, why),
                  std::tuple(client.type, client.source, true, true, RunMessage::kUnusableDirectory,
                             Chaine("pourquoi")));
        EXPECT_TRUE(left && state.stopping && state.heldMs == 1500);
        EXPECT_EQ(state.ending, RunVerdict::kAborted);
        ExpectSameRun(copy, run);
    }
}

// Through a series of messages, each carrying what changed since the one
// before, the supervisor's copy is the child's snapshot; a message that does
// not follow the one it took, or that it cannot read, is refused and leaves
// the copy as it was, until one that carries everything.
TEST(RunMessageTest, EachMessageBringsTheCopyToTheSnapshot) {
    enum Arrival { kArrives, kDropped, kLost, kCutShort, kTwice };
    using R = RunSnapshot;
    const struct {
        const char* what;
        void (*change)(R& run);
        Arrival arrival;
        bool taken;            // by the receiver; a message read twice is taken once
        bool whole = false;    // the sender makes it carry everything
        std::size_t most = 0;  // bytes, 0: any
    } steps[] = {
        {"the first", [](R&) {}, kArrives, true},
        {"unchanged: the header alone", [](R& r) { r.takenTicks += 200; }, kArrives, true, false,
         38},
        {"counters move", [](R& r) { r.tests[1].bytesWritten[0] += 4096; }, kArrives, true, false,
         38 + 5 + 32},
        {"a failure, its texts",
         [](R& r) {
             r.tests[0].state = TestSnapshot::kFailed;
             r.tests[0].failure = SystemFailure(5, TestFailure::kReadFile, 8, EIO);
             r.tests[0].failure.datawait = Chaine("ab");
         },
         kArrives, true},
        {"files held and kept",
         [](R& r) {
             r.tests[2].leftFiles = {Chaine("/srv/VXA1.TMP")};
             r.tests[2].kept = {"VXO1.TMP", 10, 1, 2, 3, {{1, 2, 3}}};
         },
         kArrives, true},
        {"a pending call; no file held any more",
         [](R& r) {
             r.tests[1].pending = true, r.tests[1].call.file = Chaine("/srv/VXB1.TMP");
             r.tests[2].leftFiles.clear();
         },
         kArrives, true},
        {"a test more", [](R& r) { r.tests.emplace_back().testname = Chaine("T"); }, kArrives,
         true},
        {"a test fewer", [](R& r) { r.tests.pop_back(); }, kArrives, true},
        {"dropped", [](R& r) { r.tests[2].kept = {}; }, kDropped, false},
        {"after a dropped one", [](R& r) { r.tests[1].exited = true; }, kArrives, false},
        {"whole again", [](R& r) { r.stopTicks = 9000; }, kArrives, true, true},
        {"cut short", [](R& r) { r.tests[0].peer = Chaine("p"); }, kCutShort, false},
        {"after a cut one", [](R& r) { r.tests[0].tstdir = Chaine("/d"); }, kArrives, false},
        {"lost in sending", [](R& r) { r.tests[1].stalled = true; }, kLost, false},
        {"after a lost one: whole", [](R& r) { r.startTicks = 7; }, kArrives, true},
        {"read twice", [](R& r) { r.tests[0].failure.failTicks = 1; }, kTwice, true},
    };
    RunSnapshot run{100, 0, 200, {TestSnapshot(), TestSnapshot(), TestSnapshot()}};
    run.tests[0].testname = Chaine("Test de recopie de fichier");
    RunMessage::Teller teller;
    const auto tell = [&](bool whole) {
        return teller.Progress({RunVerdict::kTimeUp, false, 0}, run, whole)
            .substr(sizeof(uint32_t));
    };
    RunSnapshot copy, taken;
    RunMessage::RunState state;
    uint32_t number = 0;
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        step.change(run);
        std::string body = tell(step.whole);
        if (step.most != 0) {
            EXPECT_LE(body.size(), step.most);
        }
        if (step.arrival == kLost) teller.Lost();
        if (step.arrival == kCutShort) body.pop_back();
        const bool read = step.arrival != kDropped && step.arrival != kLost &&
                          RunMessage::ReadProgress(body, &state, &copy, &number);
        EXPECT_EQ(read, step.taken);
        if (read) taken = run;
        if (step.arrival == kTwice) {
            EXPECT_FALSE(RunMessage::ReadProgress(body, &state, &copy, &number));
        }
        ExpectSameRun(copy, taken);
    }
    // A receiver out of step catches up within kWholeEvery messages.
    tell(false);
    uint32_t refused = 0;
    while (!RunMessage::ReadProgress(tell(false), &state, &copy, &number)) {
        ASSERT_LT(++refused, RunMessage::Teller::kWholeEvery);
    }
}
