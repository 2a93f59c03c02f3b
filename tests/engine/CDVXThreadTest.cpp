#include "engine/CDVXThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <tuple>

#include "engine/CDVXRandomThread.h"
#include "tests/TempDir.h"
#include "tests/engine/EngineEnvironment.h"

using D = CDVXThreadData;

namespace {

// A test kind whose cycle only counts, sleeps and, when asked, throws.
struct FakeTest : CDVXThread {
    FakeTest(std::atomic<int>* c, int ms, bool t)
        : CDVXThread(true), counts(c), cycleMs(ms), throws(t) {}
    ~FakeTest() override { ++counts[2]; }
    Chaine GetTestName() override { return Chaine("fake test"); }
    void Run() override {
        ++counts[0];
        if (throws) throw std::runtime_error("broken cycle");
        std::this_thread::sleep_for(std::chrono::milliseconds(cycleMs));
        ++counts[1];
    }
    std::atomic<int>* counts;  // cycles started, cycles finished, objects destroyed
    int cycleMs;
    bool throws;
};

}  // namespace

// A request made before the first cycle runs none; a stop during a cycle lets
// it finish; an escaped exception is an internal error. The thread always ends
// its record and destroys its object.
TEST(CDVXThreadTest, RequestsEndTheLoopAtTheRightCycle) {
    // {cycle ms, throws, request once this many cycles started, request, cycles, state}
    const std::tuple<int, bool, int, int32_t, int, int32_t> cases[] = {
        {0, false, 0, D::kAbort, 0, D::kEnded},
        {300, false, 1, D::kStopAfterCycle, 1, D::kEnded},
        {0, true, 0, D::kNoStop, 1, D::kFailed},
    };
    for (const auto& [cycleMs, throws, after, request, cycles, state] : cases) {
        std::atomic<int> counts[3] = {0, 0, 0};
        D record;
        const Chaine dir("/srv/share");
        CDVXTimings timings = kQuick;
        timings.startDelayMs = 1000;  // room for a request before the first cycle
        std::thread t = (new FakeTest(counts, cycleMs, throws))->Start(dir, 1, 0, &record, timings);
        EXPECT_EQ(std::tie(record.testname, record.tstdir), std::tuple(Chaine("fake test"), dir));
        EXPECT_NE(record.tstdir.c_str(), dir.c_str()) << "a private copy for the record";
        while (counts[0] < after) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        Locked(record, [request = request](D& r) { r.SetStopRequest(request); });
        t.join();
        EXPECT_EQ(std::tuple(counts[0].load(), counts[1].load(), counts[2].load(), record.state,
                             record.errorKind),
                  std::tuple(cycles, throws ? 0 : cycles, 1, state,
                             throws ? D::kInternalError : D::kNoError))
            << cycleMs << " ms, request " << request;
    }
}

// Each new thread draws the same blocks (the generator starts from seed 1),
// and each cycle a new one: byte by byte draw * 255 / 32767, the draws of
// every block following those of the last, whatever the block's size.
TEST(CDVXThreadTest, TheBlocksOfTheRandomTest) {
    // `cycles` blocks of a test kind, drawn in a fresh thread.
    const auto blocks = [](CDVXThreadWithBuffer&& kind, uint32_t size, int cycles) {
        std::vector<std::vector<unsigned char>> out(cycles, std::vector<unsigned char>(size, 0xEE));
        std::thread([&] {
            for (auto& b : out) kind.FillBuffer(b.data());
        }).join();
        return out;
    };
    const auto a = blocks(CDVXRandomThread(true), CDVXRandomThread::kBlockSize, 2);
    EXPECT_EQ(a[0], blocks(CDVXRandomThread(false), CDVXRandomThread::kBlockSize, 1)[0]);
    std::vector<unsigned char> odd(13), expected;
    std::thread([&] { CDVXRandomThread::FillRandom(odd.data(), 13); }).join();
    for (uint32_t state = 1; expected.size() < 2 * CDVXRandomThread::kBlockSize;) {
        state = state * 214013u + 2531011u;
        expected.push_back(static_cast<unsigned char>(((state >> 16) & 0x7FFF) * 255 / 32767));
    }
    EXPECT_EQ(std::vector(expected.begin(), expected.begin() + 4),
              (std::vector<unsigned char>{0, 143, 49, 206}));  // draws 41, 18467, 6334, 26500
    EXPECT_EQ(a[0], std::vector(expected.begin(), expected.begin() + a[0].size()));
    EXPECT_EQ(a[1], std::vector(expected.begin() + a[0].size(), expected.end()));
    EXPECT_EQ(odd, std::vector(expected.begin(), expected.begin() + 13));
}
