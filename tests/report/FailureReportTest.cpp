#include "report/FailureReport.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "engine/CDVXProgressData.h"
#include "report/ProgressText.h"
#include "tests/Printers.h"
#include "tests/report/ReportLines.h"

TEST(FailureReportTest, FailedCallsFirstTheLastOfThemFirstThenTheOthersInOrder) {
    CDVXProgressData progress;
    progress.StartClock();
    CDVXThreadData* a = progress.AddThreadData();
    CDVXThreadData* ok = progress.AddThreadData();
    CDVXThreadData* b = progress.AddThreadData();
    CDVXThreadData* c = progress.AddThreadData();
    CDVXThreadData* d = progress.AddThreadData();
    a->tstdir = Chaine("A"), b->tstdir = Chaine("B"), c->tstdir = Chaine("C"),
    d->tstdir = Chaine("D");
    a->RecordSystemError(5, CDVXThreadData::kCreateFile, 0, EACCES);
    b->RecordDataError(Chaine("00"), Chaine("01"), 3);
    c->RecordSystemError(112, CDVXThreadData::kWriteFile, 65536, ENOSPC);
    d->RecordInternalError();
    ok->SetState(CDVXThreadData::kEnded);

    const auto reports = FailureReport::Collect(progress);
    ASSERT_EQ(reports.size(), 4u);
    EXPECT_EQ(reports[0].tstdir, "C");
    EXPECT_EQ(reports[1].tstdir, "A");
    EXPECT_EQ(reports[2].tstdir, "B");
    EXPECT_EQ(reports[3].tstdir, "D");
    EXPECT_EQ(reports[0].category, ReportText::kDiskFull);
    EXPECT_EQ(reports[0].position, 65536u);
    EXPECT_EQ(reports[2].category, ReportText::kDataDiffer);
    EXPECT_EQ(reports[3].category, ReportText::kInternal);
    EXPECT_EQ(ReportLines(reports[0].rtf)[0], "Le disque dur est plein !");
}

TEST(ProgressTextTest, ThroughputInBytesAndTenthsOfMegabits) {
    EXPECT_EQ(ProgressText::Throughput(0), "0 octets/sec (0.0 Mbits/sec)");
    EXPECT_EQ(ProgressText::Throughput(1000000), "1000000 octets/sec (7.6 Mbits/sec)");
    EXPECT_EQ(ProgressText::Throughput(1048576), "1048576 octets/sec (8.0 Mbits/sec)");
    EXPECT_EQ(ProgressText::Bytes(18446744073709551615u), "18446744073709551615");
}
