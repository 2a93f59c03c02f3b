#include "platform/Thread.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

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

TEST(ThreadTest, StopSignalsGoToTheCallersThreadNotToTheNewOne) {
    bool blocked[3] = {};
    Thread::Start(
        [&] {
            sigset_t mask;
            pthread_sigmask(SIG_BLOCK, nullptr, &mask);
            for (int i = 0; int s : {SIGINT, SIGTERM, SIGHUP}) blocked[i++] = sigismember(&mask, s);
        },
        Thread::kNormal)
        .join();
    EXPECT_TRUE(blocked[0] && blocked[1] && blocked[2]);
    sigset_t own;
    pthread_sigmask(SIG_BLOCK, nullptr, &own);
    EXPECT_FALSE(sigismember(&own, SIGINT)) << "the caller's mask is given back";
}
