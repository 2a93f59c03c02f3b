#include "gui/wizard/ProgressButtons.h"

#include <gtest/gtest.h>

namespace {

using B = ProgressButtons;
using R = RunController;

}  // namespace

// One poll's answer for each state the run can be in.
TEST(ProgressButtonsTest, DecidesEachStateOfTheRun) {
    struct Row {
        const char* what;
        B::State state;  // running, exited, elapsed, time up, buttons, after
        B::Action expected;
    };
    // clang-format off
    const Row rows[] = {
        {"starting: Back only", {true, false, 4999, false, false, R::kShowResult}, B::kNone},
        {"5 s: buttons", {true, false, 5000, false, false, R::kShowResult}, B::kEnableButtons},
        {"time up first: buttons", {true, false, 3000, true, false, R::kShowResult}, B::kEnableButtons},
        {"running with buttons", {true, false, 90000, true, true, R::kShowResult}, B::kNone},
        {"a thread still deleting", {false, false, 2000, false, true, R::kShowResult}, B::kNone},
        {"early failure: buttons", {false, true, 2000, false, false, R::kShowResult}, B::kEnableButtons},
        {"then Next", {false, true, 2000, false, true, R::kShowResult}, B::kPressNext},
        {"over after Back", {false, true, 9000, false, true, R::kBack}, B::kPressBack},
        {"Cancel, even without buttons", {false, true, 900, false, false, R::kCancel}, B::kPressCancel},
    };
    // clang-format on
    for (const Row& r : rows) EXPECT_EQ(B::Decide(r.state), r.expected) << r.what;
}
