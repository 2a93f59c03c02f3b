#include "cli/RunMessage.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <tuple>

#include "engine/CDVXProgressData.h"
#include "platform/Clock.h"

using D = CDVXThreadData;

namespace {

// Every field a report, the JSON or the status line reads, at `now`.
auto Fields(const D& r, uint32_t now) {
    D::PendingCall call;
    const bool pending = r.GetPendingCall(now, &call);
    return std::tuple(r.testname, r.tstdir, r.bytesWritten[0].load(), r.bytesRead[1].load(),
                      r.state.load(), r.stopRequest.load(), r.exited.load(), r.errorKind,
                      r.failTicks, r.localtime.minute, r.winerr, r.sysErrno, r.operation,
                      r.datawait, r.dataget, r.position, r.stallSeconds, r.stallFile,
                      r.fileNames[1], r.leftFiles, r.peer, pending, call.operation, call.fileSlot,
                      call.waitedMs);
}

}  // namespace

// The supervisor's copy of the records says what the child's records say,
// through a stream cut anywhere; a message it cannot read is refused.
TEST(RunMessageTest, TheCopyOfTheRecordsMatchesThroughAnyCut) {
    CDVXProgressData progress;
    progress.SetClock(1000, 0);
    const auto failed = progress.AddThreadData();
    failed->testname = Chaine("Test de recopie de fichier");
    failed->tstdir = Chaine("/srv/partage");
    failed->AddBytesWritten(0, 123456789);
    failed->AddBytesRead(1, 42);
    failed->localtime.minute = 17;
    failed->RecordSystemError(112, D::kWriteFile, 65536, ENOSPC);
    failed->RecordDataError(Chaine("00ff"), Chaine("0100"), 7);
    failed->SetFileName(1, Chaine("/srv/partage/VXC1.TMP"));
    failed->leftFiles.push_back(Chaine("/tmp/VXC2.TMP"));
    failed->peer = Chaine("poste-02");
    const auto waiting = progress.AddThreadData();
    waiting->EnterCall(D::kReadFile, 4096, 0, platform::Clock::GetTickCount() - 7000);
    waiting->SetStopRequest(D::kAbort);
    waiting->exited = true;

    const ShareClient client{Chaine("fuse.rclone"), Chaine("smb:partage"), true, true};
    const std::string message = RunMessage::Checking() + RunMessage::Started(client, true) +
                                RunMessage::Progress({RunVerdict::kAborted, true}, progress) +
                                RunMessage::Finished(true);
    for (std::size_t cut : {std::size_t{1}, std::size_t{7}, message.size() - 1}) {
        RunMessage::Splitter splitter;
        splitter.Feed(message.data(), cut);
        splitter.Feed(message.data() + cut, message.size() - cut);
        std::string body;
        std::vector<RunMessage::Kind> kinds;
        CDVXProgressData copy;
        RunMessage::RunState state;
        ShareClient told;
        bool refused = false, left = false;
        while (splitter.Next(&body)) {
            kinds.push_back(RunMessage::KindOf(body));
            if (kinds.back() == RunMessage::kStarted) {
                EXPECT_TRUE(RunMessage::ReadStarted(body, &told, &refused));
            }
            if (kinds.back() == RunMessage::kFinished) {
                EXPECT_TRUE(RunMessage::ReadFinished(body, &left));
            }
            if (kinds.back() != RunMessage::kProgress) continue;
            ASSERT_TRUE(RunMessage::ReadProgress(body, &state, &copy));
            // Shorter or longer by a byte, or claiming too many records: refused.
            EXPECT_FALSE(RunMessage::ReadProgress(body.substr(0, body.size() - 1), &state, &copy));
            EXPECT_FALSE(RunMessage::ReadProgress(body + 'x', &state, &copy));
            std::string many = body;
            many[1 + 4 + 1 + 8] = '\xff';  // the record count's low byte
            many[1 + 4 + 1 + 8 + 1] = '\xff';
            EXPECT_FALSE(RunMessage::ReadProgress(many, &state, &copy));
            ASSERT_TRUE(RunMessage::ReadProgress(body, &state, &copy));
        }
        EXPECT_EQ(kinds, (std::vector{RunMessage::kChecking, RunMessage::kStarted,
                                      RunMessage::kProgress, RunMessage::kFinished}));
        EXPECT_EQ(std::tuple(told.type, told.source, told.network, told.cachesWrites, refused),
                  std::tuple(client.type, client.source, true, true, true));
        EXPECT_TRUE(left && state.stopping);
        EXPECT_EQ(state.ending, RunVerdict::kAborted);
        ASSERT_EQ(copy.GetThreadCount(), 2u);
        EXPECT_EQ(std::tuple(copy.GetStartTicks(), copy.GetStopTicks()), std::tuple(1000u, 0u));
        const uint32_t now = platform::Clock::GetTickCount();
        for (std::size_t i = 0; i < 2; ++i) {
            EXPECT_EQ(Fields(*copy.GetThreadData(i), now), Fields(*progress.GetThreadData(i), now))
                << i;
        }
    }
}
