// What a file of the tests that change files must hold after each change: a
// healthy file system shows exactly that, and the file changed behind the
// test's back shows the damage named.
#include "engine/CDVXStampedFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/Fields.h"
#include "tests/TempDir.h"
#include "tests/engine/EngineEnvironment.h"

namespace {

constexpr uint32_t kBlock = StampedBlock::kSize;
using Access = CDVXFile::Access;

struct Case {
    const char* what;
    std::function<bool(CDVXStampedFile&)> change;
    // Done to the real file once the test is through with it, or null.
    std::function<void(int fd)> behindItsBack;
    Damage damage;  // what the check then names
    uint32_t position;
};

std::string Bytes(int fd, off_t at, std::size_t n) {
    std::string b(n, '\0');
    b.resize(static_cast<std::size_t>(pread(fd, b.data(), n, at)));
    return b;
}

}  // namespace

TEST(CDVXStampedFileTest, EachChangeIsKnownAndAnyOtherNamed) {
    const Case cases[] = {
        {"written whole, its end inside a block",
         [](CDVXStampedFile& f) { return f.WriteAt(0, 3 * kBlock + 100); }, nullptr, {}, 0},
        {"a write inside, whose odd end goes on to its block's",
         [](CDVXStampedFile& f) {
             return f.WriteAt(0, 8 * kBlock) && f.Reopen(Access::kReadWrite) &&
                    f.WriteAt(2 * kBlock, kBlock + 5);
         },
         // The second block comes back as the first write left it.
         [](int fd) {
             const std::string first = Bytes(fd, 0, kBlock);
             ASSERT_EQ(pwrite(fd, first.data(), kBlock, 2 * kBlock), kBlock);
         },
         {.kind = Damage::kOtherPlace, .where = 0}, 2 * kBlock + 4},
        {"cut inside a block, then extended",
         [](CDVXStampedFile& f) {
             return f.WriteAt(0, 8 * kBlock) && f.Reopen(Access::kReadWrite) &&
                    f.ResizeTo(3 * kBlock + 7) && f.ResizeTo(10 * kBlock);
         },
         nullptr, {}, 0},
        {"emptied, then shorter",
         [](CDVXStampedFile& f) {
             if (!f.WriteAt(0, 8 * kBlock) || !f.Reopen(Access::kRewrite)) return false;
             f.Emptied();
             return f.WriteAt(0, kBlock + 1);
         },
         [](int fd) { ASSERT_EQ(pwrite(fd, "xyz", 3, kBlock + 1), 3); },
         {.kind = Damage::kEndExtra, .count = 3}, kBlock + 1},
        {"appended to",
         [](CDVXStampedFile& f) {
             return f.WriteAt(0, 2 * kBlock) && f.Reopen(Access::kAppend) && f.Append(kBlock);
         },
         [](int fd) { ASSERT_EQ(ftruncate(fd, 2 * kBlock + 1000), 0); },
         {.kind = Damage::kEndMissing, .count = kBlock - 1000}, 2 * kBlock + 1000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir("/dev/shm");
        CDVXThreadData record;
        CDVXStampedFile file(Chaine(std::string_view(dir.Path())), &record, true, Chaine("VXO"),
                             kQuick.shortReadWaitMs);
        ASSERT_TRUE(file.Open() && c.change(file) && file.Reopen(Access::kRead));
        EXPECT_TRUE(file.Verify()) << ::testing::PrintToString(record.failure.damage);
        if (!c.behindItsBack) continue;
        const int fd = open(file.GetName().c_str(), O_RDWR);
        c.behindItsBack(fd);
        close(fd);
        ASSERT_TRUE(file.Reopen(Access::kRead));
        EXPECT_FALSE(file.Verify());
        const TestFailure& f = record.failure;
        EXPECT_TRUE(Fields()
                        .Is("damage", f.damage.kind, c.damage.kind)
                        .Is("where", f.damage.where, c.damage.where)
                        .Is("count", f.damage.count, c.damage.count)
                        .Is("position", f.position, c.position));
        file.Close(true);
    }
}
