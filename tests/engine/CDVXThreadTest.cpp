#include "engine/CDVXThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <tuple>

#include "engine/CDVXRandomThread.h"
#include "tests/Fields.h"
#include "tests/TempDir.h"
#include "tests/engine/EngineEnvironment.h"

using D = CDVXThreadData;

namespace {

// A test kind whose cycle only counts and sleeps, or throws when it has no time.
struct FakeTest : CDVXThread {
    FakeTest(std::atomic<int>* c, int ms) : CDVXThread(true), counts(c), cycleMs(ms) {}
    ~FakeTest() override { ++counts[2]; }
    Chaine GetTestName() override { return Chaine("fake test"); }
    void Run() override {
        ++counts[0];
        if (cycleMs < 0) throw std::runtime_error("broken cycle");
        std::this_thread::sleep_for(std::chrono::milliseconds(cycleMs));
        ++counts[1];
    }
    std::atomic<int>* counts;  // cycles started, cycles finished, objects destroyed
    int cycleMs;
};

}  // namespace

// A request made before the first cycle runs none; a stop during a cycle lets
// it finish; an escaped exception is an internal error. The thread always ends
// its record and destroys its object.
TEST(CDVXThreadTest, RequestsEndTheLoopAtTheRightCycle) {
    // {cycle ms (-1: throws), request after n cycles, request, started, finished, state, error}
    const std::tuple<int, int, int32_t, int, int, int32_t, int32_t> cases[] = {
        {0, 0, D::kAbort, 0, 0, D::kEnded, D::kNoError},
        {300, 1, D::kStopAfterCycle, 1, 1, D::kEnded, D::kNoError},
        {-1, 0, D::kNoStop, 1, 0, D::kFailed, D::kInternalError},
    };
    const Chaine dir("/srv/share");
    const CDVXTimings timings{1000, kQuick.shortReadWaitMs, kQuick.minuteMs};  // time to ask
    for (const auto& [cycleMs, after, request, started, finished, state, error] : cases) {
        std::atomic<int> counts[3] = {0, 0, 0};
        const auto shared = std::make_shared<D>();
        D& record = *shared;
        std::thread t = (new FakeTest(counts, cycleMs))->Start(dir, 1, 0, shared, timings);
        EXPECT_TRUE(record.testname == Chaine("fake test") && record.tstdir == dir &&
                    record.tstdir.c_str() != dir.c_str());  // a private copy for the record
        while (counts[0] < after) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        Locked(record, [request = request](D& r) { r.SetStopRequest(request); });
        t.join();
        EXPECT_TRUE(Fields()
                        .Is("cycles started", counts[0].load(), started)
                        .Is("cycles finished", counts[1].load(), finished)
                        .Is("ends", counts[2].load(), 1)
                        .Is("state", record.state.load(), state)
                        .Is("error kind", record.failure.errorKind, error)
                        .Is("exited", record.exited.load(), true))
            << cycleMs << " ms, request " << request;
    }
}

// Each new thread draws the same blocks (from seed 1), each cycle a new one:
// byte by byte draw * 255 / 32767, each block's draws following the last's.
TEST(CDVXThreadTest, TheBlocksOfTheRandomTest) {
    const std::size_t n = CDVXRandomThread::kBlockSize;
    std::vector<unsigned char> expected, two(2 * n, 0xEE), one(n, 0xEE);
    for (uint32_t state = 1; expected.size() < 2 * n;) {
        state = state * 214013u + 2531011u;
        expected.push_back(static_cast<unsigned char>(((state >> 16) & 0x7FFF) * 255 / 32767));
    }
    CDVXRandomThread buffered(true), unbuffered(false);
    std::thread([&] { buffered.FillBuffer(&two[0]), buffered.FillBuffer(&two[n]); }).join();
    std::thread([&] { unbuffered.FillBuffer(&one[0]); }).join();
    EXPECT_EQ(two, expected);
    EXPECT_EQ(one, std::vector(expected.begin(), expected.begin() + n));
}
