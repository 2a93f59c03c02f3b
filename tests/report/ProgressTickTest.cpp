#include "report/ProgressTick.h"

#include <gtest/gtest.h>

#include <tuple>

#include "engine/CDVXPrefs.h"

namespace {

constexpr uint32_t kForever = CDVXPrefs::UntilStopped;
using T = ProgressTick;

}  // namespace

// One tick's answer for each state the progress page can be in.
TEST(ProgressTickTest, DecidesEachStateOfTheRun) {
    struct Row {
        const char* what;
        T::State state;  // running, exited, elapsed, duration, minute, buttons, exit
        T::Decision expected;
    };
    // clang-format off
    const Row rows[] = {
        {"starting: Back only", {true, false, 4999, 3, 60000, false, T::ExitShowResult}, {true, T::None}},
        {"5 s: buttons", {true, false, 5000, 3, 60000, false, T::ExitShowResult}, {true, T::EnableButtons}},
        {"running", {true, false, 90000, 3, 60000, true, T::ExitShowResult}, {true, T::None}},
        {"first tick past the duration", {true, false, 180000, 3, 60000, true, T::ExitShowResult}, {true, T::PressNext}},
        {"just before it", {true, false, 179999, 3, 60000, true, T::ExitShowResult}, {true, T::None}},
        {"duration reached, Back asked", {true, false, 180000, 3, 60000, true, T::ExitBack}, {true, T::None}},
        {"short minute: buttons at once", {true, false, 3000, 3, 1000, false, T::ExitShowResult}, {true, T::EnableButtons}},
        {"until stopped never ends", {true, false, 0xFFFFFFFF, kForever, 60000, true, T::ExitShowResult}, {true, T::None}},
        {"over, a thread still deleting", {false, false, 2000, 3, 60000, false, T::ExitShowResult}, {false, T::None}},
        {"failure in the first 5 s: buttons", {false, true, 2000, 3, 60000, false, T::ExitShowResult}, {false, T::EnableButtons}},
        {"then Next", {false, true, 2000, 3, 60000, true, T::ExitShowResult}, {false, T::PressNext}},
        {"over after Back", {false, true, 9000, 3, 60000, true, T::ExitBack}, {false, T::PressBack}},
        {"Back in the first 5 s: buttons first", {false, true, 900, 3, 60000, false, T::ExitBack}, {false, T::EnableButtons}},
        {"over after Cancel", {false, true, 900, 3, 60000, false, T::ExitCancel}, {false, T::PressCancel}},
        {"Cancel waits for the last thread", {false, false, 900, 3, 60000, true, T::ExitCancel}, {false, T::None}},
    };
    // clang-format on
    for (const Row& r : rows) {
        const T::Decision d = T::Decide(r.state);
        EXPECT_EQ(std::tie(d.showCounters, d.action),
                  std::tie(r.expected.showCounters, r.expected.action))
            << r.what;
    }
}

TEST(ProgressTickTest, TheBarStopsAtTheEndAndOnlyDataReadBackGetsAVerdict) {
    // elapsed, duration, position; the longest run ends 23 s before 2^31 ms.
    const std::tuple<uint32_t, uint32_t, uint32_t> cases[] = {{0, 3, 0},
                                                              {179999, 3, 179999},
                                                              {180000, 3, 180000},
                                                              {239999, 3, 180000},
                                                              {0x80000000u, 35791, 2147460000u},
                                                              {0xFFFFFFFFu, 35791, 2147460000u}};
    for (const auto& [elapsed, duration, position] : cases) {
        EXPECT_EQ(T::BarPosition(elapsed, duration, 60000), position) << elapsed;
    }
    // failed, bytes read back, page
    const std::tuple<bool, uint64_t, int> pages[] = {
        {true, 0, 134}, {true, 5, 134}, {false, 1, 111}, {false, 0, 112}};
    for (const auto& [failed, read, page] : pages) {
        EXPECT_EQ(T::ResultPage(failed, read), page) << failed << " " << read;
    }
}
