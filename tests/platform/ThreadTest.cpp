#include "platform/Thread.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

using platform::Thread;

TEST(ThreadTest, BelowNormalRunsNicerThanTheCaller) {
    auto niceOfNewThread = [](int priority) {
        int nice = -100;
        Thread::Start([&] { nice = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid())); },
                      priority)
            .join();
        return nice;
    };
    const int own = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
    EXPECT_EQ(niceOfNewThread(Thread::kNormal), own);
    EXPECT_EQ(niceOfNewThread(Thread::kBelowNormal), own + 5 > 19 ? 19 : own + 5);
}

TEST(ThreadTest, StopSignalsGoToTheCallersThreadNotToTheNewOne) {
    sigset_t mask;
    Thread::Start([&] { pthread_sigmask(SIG_BLOCK, nullptr, &mask); }, Thread::kNormal).join();
    for (int s : {SIGINT, SIGTERM, SIGHUP}) EXPECT_TRUE(sigismember(&mask, s)) << s;
    pthread_sigmask(SIG_BLOCK, nullptr, &mask);
    EXPECT_FALSE(sigismember(&mask, SIGINT)) << "the caller's mask is given back";
}
