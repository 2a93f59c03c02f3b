#include "platform/SystemError.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <thread>

using platform::LastError;
using platform::SystemError;

TEST(SystemErrorTest, ErrnoMapsToTheCodeOfTheSameMeaning) {
    const std::pair<int, uint32_t> cases[] = {
        {ENOSPC, 112},   {EDQUOT, 112},    {ENOENT, 2},         {ENOTDIR, 3},
        {EACCES, 5},     {EPERM, 5},       {EISDIR, 5},         {EBADF, 6},
        {ENOMEM, 8},     {EROFS, 19},      {EBUSY, 32},         {ETXTBSY, 32},
        {EEXIST, 80},    {EINVAL, 87},     {ENAMETOOLONG, 206}, {EMFILE, 4},
        {ENFILE, 4},     {EFBIG, 223},     {ENOTEMPTY, 145},    {EIO, 1117},
        {ESTALE, 64},    {ECONNRESET, 64}, {ECONNABORTED, 64},  {ENOTCONN, 64},
        {EPIPE, 64},     {ENETDOWN, 53},   {ENETUNREACH, 53},   {EHOSTUNREACH, 53},
        {EHOSTDOWN, 53}, {ETIMEDOUT, 121}, {EPROTO, 1117},      {EXDEV, 1117}};
    for (const auto& [err, code] : cases) EXPECT_EQ(SystemError::FromErrno(err), code) << err;
    EXPECT_EQ(SystemError::FromErrno(ENOENT, true), 3u) << "a missing directory when creating";
}

TEST(SystemErrorTest, EveryCodeTheMappingGivesHasAFrenchMessage) {
    for (int err = 1; err < 140; ++err) {
        std::string text;
        EXPECT_TRUE(SystemError::Message(SystemError::FromErrno(err), &text)) << err;
        EXPECT_FALSE(text.empty());
    }
    std::string text;
    ASSERT_TRUE(SystemError::Message(112, &text));
    EXPECT_EQ(text, "Espace insuffisant sur le disque.");
    ASSERT_TRUE(SystemError::Message(5, &text));
    EXPECT_EQ(text, "Acc\xE8s refus\xE9.");  // Windows-1252, not UTF-8
    EXPECT_TRUE(SystemError::Message(123, &text));
}

TEST(SystemErrorTest, AnUnknownCodeHasNoMessage) {
    std::string text = "left over";
    EXPECT_FALSE(SystemError::Message(999999, &text));
    EXPECT_TRUE(text.empty());
}

TEST(SystemErrorTest, TheLastErrorBelongsToEachThread) {
    LastError::SetFromErrno(ENOSPC);
    uint32_t seen = 1;
    std::thread([&] { seen = LastError::Get(); }).join();
    EXPECT_EQ(seen, 0u);
    EXPECT_EQ(LastError::Get(), 112u);
}
