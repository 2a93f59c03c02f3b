#include "platform/Encoding.h"
#include "platform/SystemError.h"
#include "platform/Thread.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <thread>

using platform::Encoding;
using namespace std::string_literals;
using platform::LastError;
using E = platform::SystemError;
using platform::Thread;

// Accents, the range only Windows-1252 has and one of its holes (as U+0081),
// both ways. Anything else becomes one '?' and what follows is read again:
// characters the code page lacks, cut or malformed sequences, surrogates, values
// past U+10FFFF, NUL, and overlong forms, which could let a '/' or a NUL through.
TEST(EncodingTest, Windows1252BothWaysAndAQuestionMarkForTheRest) {
    const std::string utf8 = "é€‚ƒ„…Ÿ ÿ à\u0081",
                      ansi = "\xE9\x80\x82\x83\x84\x85\x9F \xFF \xE0\x81";
    EXPECT_EQ(std::pair(Encoding::Utf8ToAnsi(utf8), Encoding::AnsiToUtf8(ansi)),
              std::pair(ansi, utf8));
    for (const std::string& bad :
         {"₽"s, "😀"s, "\xC3"s, "\xFF"s, "\xED\xA0\x80"s, "\xF4\x90\x80\x80"s, "\0"s, "\xC0\x80"s,
          "\xC0\xAF"s, "\xE0\x80\xAF"s, "\xF0\x80\x80\xAF"s})
        EXPECT_EQ(Encoding::Utf8ToAnsi("x" + bad + "y"), "x?y") << bad;
    EXPECT_EQ(Encoding::Utf8ToAnsi("x\xC3"), "x?") << "cut at the end";
}

// Every code the mapping gives has a message, and no other code has one. The
// last error belongs to each thread.
TEST(SystemErrorTest, MessagesAndTheLastErrorOfEachThread) {
    std::string text;
    for (int err = 0; err < 140; ++err)
        EXPECT_TRUE(E::Message(E::FromErrno(err), &text) && !text.empty()) << err;
    EXPECT_TRUE(!E::Message(999999, &text) && text.empty());
    LastError::SetFromErrno(ENOSPC);
    uint32_t seen = 1;
    std::thread([&] { seen = LastError::Get(); }).join();
    EXPECT_TRUE(seen == E::kSuccess && LastError::Get() == E::kDiskFull) << seen;
}

// Below normal, a new thread runs nicer than its caller; either way the stop
// signals go to the caller's thread, whose mask is given back.
TEST(ThreadTest, PriorityAndStopSignalsOfANewThread) {
    const auto nice = [] { return getpriority(PRIO_PROCESS, static_cast<id_t>(gettid())); };
    int normal = -100, below = -100;
    sigset_t mask;
    Thread::Start([&] { normal = nice(), pthread_sigmask(SIG_BLOCK, nullptr, &mask); },
                  Thread::kNormal)
        .join();
    Thread::Start([&] { below = nice(); }, Thread::kBelowNormal).join();
    EXPECT_EQ(std::pair(normal, below), std::pair(nice(), std::min(nice() + 5, 19)));
    for (int s : {SIGINT, SIGTERM, SIGHUP}) EXPECT_TRUE(sigismember(&mask, s)) << s;
    pthread_sigmask(SIG_BLOCK, nullptr, &mask);
    EXPECT_FALSE(sigismember(&mask, SIGINT)) << "the caller's mask is given back";
}
