#include "report/FailureReport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <tuple>

#include "platform/SystemError.h"
#include "report/ProgressText.h"
#include "support/RtfReader.h"
#include "tests/Failures.h"
#include "tests/Fields.h"
#include "tests/TempDir.h"

namespace {

using T = TestFailure;
using R = ReportText;
constexpr uint32_t kStart = 0xFFFF0000;  // the tick count wraps before the failure

struct ReportCase {
    const char* name;  // of the golden file
    int32_t errorKind, sysErrno, operation;
    uint32_t winerr, position, testname, elapsedMs, hour, minute;  // testname: a string resource
    const char *tstdir, *datawait, *dataget;
    Damage damage = {};
};
void PrintTo(const ReportCase& c, std::ostream* os) { *os << c.name; }

const ReportCase kCases[] = {
    {"disk_full", T::kSystemError, ENOSPC, T::kWriteFile, 112, 131072, 3002, 65000, 14, 7,
     "/srv/partage", "", ""},
    {"io_error", T::kSystemError, ELOOP, 0, 1117, 0xFFFFFFFF, 3000, 3723000, 9, 5,
     "\\\\serveur\\part{a}}gé\\%POSITION%", "", ""},
    {"data_differ", T::kDataError, 0, 0, 0, 4096, 3001, 59000, 23, 59, "/données", "6162", "6164",
     {.kind = Damage::kOtherFile, .where = 8192, .file = 7}},
    {"truncated", T::kDataError, 0, 0, 0, 3000000000, 3003, 90061000, 0, 0, "/mnt/essai", "", "",
     {.kind = Damage::kEndMissing, .count = 1234}},
    {"internal", T::kInternalError, 0, 0, 0, 0, 3004, 999, 12, 30, "/tmp/dalvex", "", ""},
    {"client_refused", T::kSystemError, EPERM, T::kCreateFile, 5, 0, 3000, 2000, 10, 15,
     "/mnt/cloud/essai", "", ""},
};

std::string Golden(const std::string& name) { return DALVEX_GOLDEN_DIR "/" + name + ".txt"; }

using ReportDocumentTest = testing::TestWithParam<ReportCase>;

}  // namespace

TEST_P(ReportDocumentTest, ReadsAsItsGoldenFileAndClosesEveryGroupItOpens) {
    const ReportCase& c = GetParam();
    TestSnapshot r = FailedTest(c.errorKind == T::kSystemError
                                    ? SystemFailure(c.winerr, c.operation, c.position, c.sysErrno)
                                    : DataFailure(c.datawait, c.dataget, c.position));
    r.failure.errorKind = c.errorKind, r.failure.failTicks = kStart + c.elapsedMs;
    r.failure.damage = c.damage;
    r.testname = Chaine(Chaine::ResourceId(c.testname)), r.tstdir = Chaine::FromUtf8(c.tstdir);
    r.failure.localtime.hour = c.hour, r.failure.localtime.minute = c.minute;
    r.failure.localtime.second = 59;
    const Chaine rtf = R::BuildReport(r, kStart);
    int depth = 0;  // stops at the first group closed that was never opened
    for (std::size_t i = 0; i < rtf.GetLength() && depth >= 0; i += rtf[i] == '\\' ? 2 : 1)
        depth += rtf[i] == '{' ? 1 : rtf[i] == '}' ? -1 : 0;
    EXPECT_EQ(depth, 0) << "unbalanced groups";
    const std::string text = RtfReader::ToPlainText(RtfReader::Parse(rtf.View())).ToUtf8();
    if (std::getenv("DALVEX_UPDATE_GOLDEN")) {  // the reports become the golden files
        WriteFile(Golden(c.name), text);
        GTEST_SKIP() << "golden file written, not compared";
    }
    EXPECT_EQ(text, ReadFile(Golden(c.name))) << Golden(c.name);
}

INSTANTIATE_TEST_SUITE_P(Documents, ReportDocumentTest, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FailureReportTest, FailedCallsFirstTheLastOfThemFirstThenTheOthersAndShortTexts) {
    RunSnapshot run;
    run.tests = {FailedTest(SystemFailure(5, T::kCreateFile, 0, EACCES)), TestSnapshot(),
                 FailedTest(DataFailure("00", "01", 3, {.kind = Damage::kFlippedBits, .count = 1})),
                 FailedTest(SystemFailure(112, T::kWriteFile, 65536, ENOSPC)),
                 FailedTest(TestFailure())};
    run.tests[1].state = TestSnapshot::kEnded;
    run.tests[4].failure.errorKind = T::kInternalError;
    const auto reports = FailureReport::Collect(run);
    std::vector<R::Category> order;  // one category each: which record is where
    for (const FailureReport& f : reports) order.push_back(f.category);
    ASSERT_EQ(order, (std::vector{R::kDiskFull, R::kIoError, R::kDataDiffer, R::kInternal}));
    EXPECT_EQ(R::SystemMessage(1117, EIO), R::SystemMessage(1117, 0));
    EXPECT_EQ(R::MessageWithCode(99999, 0) + "|" + R::OperationName(T::kGetTempPath) + "|" +
                  R::OperationName(T::kMoveFile + 1) + "|" +
                  ProgressText::Throughput(1000000) + "|" + ProgressText::Bytes(UINT64_MAX),
              " (code 99999)|GetTempPath|<inconnue>|1000000 octets/sec (7.6 Mbits/sec)|"
              "18446744073709551615");
    // A call without an answer says for how long and on which file.
    EXPECT_EQ(R::MessageWithCode(121, ETIMEDOUT, 61, Chaine("/mnt/s/VXZ1.TMP")),
              Chaine::FromUtf8("Le délai d'attente de l'opération a expiré. Le serveur n'a pas "
                               "répondu pendant 61 s (/mnt/s/VXZ1.TMP). (ETIMEDOUT, code 121)"));
    // Each failure on one line, as the command line tells it when it comes.
    std::string lines;
    for (FailureReport& f : FailureReport::Collect(run)) {
        f.test.testname = Chaine("T"), f.test.tstdir = Chaine("/d");
        lines += R::OneLine(f.test).ToUtf8() + "\n";
    }
    EXPECT_EQ(lines,
              "Échec : T (/d) : WriteFile : Espace insuffisant sur le disque.\n"
              "Échec : T (/d) : CreateFile : Accès refusé.\n"
              "Échec : T (/d) : les données relues diffèrent : 1 bit(s) inversé(s)\n"
              "Échec : T (/d) : erreur interne\n");
}

// A call that the share's client does not support has advice of its own, with
// the errno's name and text, which the one-line message gives too; any other
// failed call keeps the advice about the network and the hardware, and its message.
TEST(FailureReportTest, ACallTheShareClientRefusesIsNotBlamedOnTheNetwork) {
    const std::string io =
        "La requête n'a pas pu être exécutée en raison d'une erreur de "
        "périphérique d'E/S.";
    // The failed call's errno; as the client's advice names it (none for the
    // other advice); the message.
    const std::tuple<int32_t, std::string, std::string> rows[] = {
        {EPERM, "EPERM : Operation not permitted",
         "Accès refusé. (EPERM : Operation not permitted)"},
        {ESPIPE, "ESPIPE : Illegal seek", io + " (ESPIPE : Illegal seek)"},
        {EOPNOTSUPP, "EOPNOTSUPP : Operation not supported",
         io + " (EOPNOTSUPP : Operation not supported)"},
        {ENOSYS, "ENOSYS : Function not implemented", io + " (ENOSYS : Function not implemented)"},
        {EIO, "", io},
        {EACCES, "", "Accès refusé."},
    };
    for (const auto& [err, named, message] : rows) {
        SCOPED_TRACE(named.empty() ? strerrorname_np(err) : named);
        const auto reports = FailureReport::Collect(
            RunSnapshot{0,
                        0,
                        0,
                        {FailedTest(SystemFailure(platform::SystemError::FromErrno(err),
                                                  T::kSetFilePointer, 4096, err))}});
        ASSERT_EQ(reports.size(), 1u);
        const std::string text =
            RtfReader::ToPlainText(RtfReader::Parse(reports[0].rtf.View())).ToUtf8();
        const std::string advice =
            named.empty() ? "Il est très fortement improbable que la défaillance provienne d'un "
                            "logiciel installé sur la machine."
                          : "a refusé l'opération SetFilePointer (" + named + ").";
        EXPECT_TRUE(Fields()
                        .Is("category", reports[0].category, R::kIoError)
                        .Is("advice", text.find(advice) != std::string::npos, true)
                        .Is("names the client",
                            text.find("client du partage") != std::string::npos, !named.empty())
                        .Is("message",
                            R::SystemMessage(reports[0].test.failure.winerr, err).ToUtf8(),
                            message))
            << text;
    }
}
