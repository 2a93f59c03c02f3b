#include "platform/Encoding.h"
#include "platform/SystemError.h"
#include "platform/Thread.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <thread>

using platform::Encoding;
using namespace std::string_literals;
using platform::LastError;
using E = platform::SystemError;
using platform::Thread;

// Accents, the range only Windows-1252 has, and one of its holes, which
// travels as U+0081.
TEST(EncodingTest, Windows1252BothWays) {
    const std::string utf8 = "é€‚ƒ„…Ÿ ÿ à\u0081",
                      ansi = "\xE9\x80\x82\x83\x84\x85\x9F \xFF \xE0\x81";
    EXPECT_EQ(Encoding::Utf8ToAnsi(utf8), ansi);
    EXPECT_EQ(Encoding::AnsiToUtf8(ansi), utf8);
}

// Each becomes one '?' and what follows is read again: characters the code
// page lacks, cut or malformed sequences, surrogates, values past U+10FFFF,
// NUL, and overlong forms, which would let a '/' reach another directory or a
// NUL cut a path short.
TEST(EncodingTest, WhatIsNoWindows1252CharacterBecomesAQuestionMark) {
    for (const std::string& bad :
         {"₽"s, "😀"s, "\xC3"s, "\xFF"s, "\xED\xA0\x80"s, "\xF4\x90\x80\x80"s, "\0"s, "\xC0\x80"s,
          "\xC0\xAF"s, "\xE0\x80\xAF"s, "\xF0\x80\x80\xAF"s}) {
        EXPECT_EQ(Encoding::Utf8ToAnsi("x" + bad + "y"), "x?y") << bad;
    }
    EXPECT_EQ(Encoding::Utf8ToAnsi("x\xC3"), "x?") << "cut at the end";
    EXPECT_EQ(Encoding::Utf8ToAnsi("\xC2\xA0\xE2\x82\xAC"), "\xA0\x80") << "shortest forms pass";
}

// Every code the mapping gives has a message, the program's own refusal (123)
// too; no other code has one.
TEST(SystemErrorTest, EveryCodeHasAMessage) {
    std::string text;
    for (int err = 0; err < 140; ++err) {
        EXPECT_TRUE(E::Message(E::FromErrno(err), &text) && !text.empty()) << err;
    }
    EXPECT_TRUE(E::Message(E::kInvalidName, &text));
    EXPECT_FALSE(E::Message(999999, &text));
    EXPECT_TRUE(text.empty());
}

TEST(SystemErrorTest, TheLastErrorBelongsToEachThread) {
    LastError::SetFromErrno(ENOSPC);
    uint32_t seen = 1;
    std::thread([&] { seen = LastError::Get(); }).join();
    EXPECT_EQ(seen, E::kSuccess);
    EXPECT_EQ(LastError::Get(), E::kDiskFull);
}

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
