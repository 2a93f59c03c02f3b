#include "platform/SystemError.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <thread>

using platform::LastError;
using E = platform::SystemError;

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
