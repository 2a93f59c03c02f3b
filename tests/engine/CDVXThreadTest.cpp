#include "engine/CDVXThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "engine/CDVXThreadData.h"
#include "tests/Printers.h"

namespace {

using namespace std::chrono_literals;

struct Counters {
    std::atomic<int> started{0};
    std::atomic<int> finished{0};
    std::atomic<bool> destroyed{false};
};

// A test kind whose cycle only counts, sleeps and optionally throws.
class FakeTest : public CDVXThread {
public:
    FakeTest(Counters* c, std::chrono::milliseconds cycle, bool throws)
        : CDVXThread(true), m_c(c), m_cycle(cycle), m_throws(throws) {}
    ~FakeTest() override { m_c->destroyed = true; }
    Chaine GetTestName() override { return Chaine("fake test"); }
    void Run() override {
        ++m_c->started;
        if (m_throws) throw std::runtime_error("broken cycle");
        std::this_thread::sleep_for(m_cycle);
        ++m_c->finished;
    }

private:
    Counters* m_c;
    std::chrono::milliseconds m_cycle;
    bool m_throws;
};

int State(CDVXThreadData& r) {
    RecordGuard guard(&r);
    return r.state;
}

}  // namespace

TEST(CDVXThreadTest, StartFillsTheRecordAndTheThreadDestroysItsObject) {
    Counters c;
    CDVXThreadData record;
    Chaine dir("/srv/share");
    std::thread t = (new FakeTest(&c, 1ms, false))->Start(dir, 1048576, 0, &record);
    EXPECT_EQ(record.testname, "fake test");
    EXPECT_EQ(record.tstdir, "/srv/share");
    EXPECT_NE(record.tstdir.c_str(), dir.c_str()) << "a private copy for the record";
    while (c.finished < 3) std::this_thread::sleep_for(5ms);
    {
        RecordGuard guard(&record);
        record.SetStopRequest(CDVXThreadData::kStopAfterCycle);
    }
    t.join();
    EXPECT_TRUE(c.destroyed);
    EXPECT_EQ(record.state, CDVXThreadData::kEnded);
    EXPECT_EQ(c.started, c.finished);
}

TEST(CDVXThreadTest, AStopLetsTheCurrentCycleFinish) {
    Counters c;
    CDVXThreadData record;
    std::thread t = (new FakeTest(&c, 300ms, false))->Start(Chaine("/d"), 1, 0, &record);
    while (c.started < 1) std::this_thread::sleep_for(2ms);
    {
        RecordGuard guard(&record);
        record.SetStopRequest(CDVXThreadData::kStopAfterCycle);
    }
    EXPECT_EQ(State(record), CDVXThreadData::kRunning);
    t.join();
    EXPECT_EQ(c.started, 1);
    EXPECT_EQ(c.finished, 1);
    EXPECT_EQ(record.state, CDVXThreadData::kEnded);
}

TEST(CDVXThreadTest, AnEscapedExceptionIsAnInternalError) {
    Counters c;
    CDVXThreadData record;
    std::thread t = (new FakeTest(&c, 0ms, true))->Start(Chaine("/d"), 1, 0, &record);
    t.join();
    EXPECT_EQ(c.started, 1) << "the failed record ends the loop";
    EXPECT_TRUE(c.destroyed);
    EXPECT_EQ(record.state, CDVXThreadData::kFailed);
    EXPECT_EQ(record.errorKind, CDVXThreadData::kInternalError);
    EXPECT_EQ(record.position, 0u);
}

TEST(CDVXThreadTest, AStopBeforeTheFirstCycleRunsNone) {
    Counters c;
    CDVXThreadData record;
    std::thread t = (new FakeTest(&c, 0ms, false))->Start(Chaine("/d"), 1, 0, &record);
    {
        RecordGuard guard(&record);  // within the 500 ms start delay
        record.SetStopRequest(CDVXThreadData::kAbort);
    }
    t.join();
    EXPECT_EQ(c.started, 0);
    EXPECT_EQ(record.state, CDVXThreadData::kEnded);
}
