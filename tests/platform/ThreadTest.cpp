#include "platform/Thread.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

using platform::Thread;

namespace {
int NiceOfNewThread(int priority) {
    int nice = -100;
    Thread::Start([&] { nice = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid())); }, priority)
        .join();
    return nice;
}
}  // namespace

TEST(ThreadTest, BelowNormalRunsNicerThanTheCaller) {
    const int own = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
    EXPECT_EQ(NiceOfNewThread(Thread::kNormal), own);
    EXPECT_EQ(NiceOfNewThread(Thread::kBelowNormal), own + 5 > 19 ? 19 : own + 5);
}
