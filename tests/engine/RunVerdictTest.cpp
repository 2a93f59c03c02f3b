#include "engine/RunVerdict.h"

#include <gtest/gtest.h>

#include <tuple>

#include "platform/ResourceIds.h"

TEST(RunVerdictTest, OnlyACompleteRunThatReadItsDataBackIsOk) {
    // {ending, failed, bytes written, bytes read, result, exit code}
    const std::tuple<RunVerdict::Ending, bool, uint64_t, uint64_t, const char*, int> cases[] = {
        {RunVerdict::kTimeUp, false, 100, 100, "ok", 0},
        {RunVerdict::kStopped, false, 100, 100, "ok", 0},
        {RunVerdict::kTimeUp, false, 0, 0, "interrupted", 3},     // nothing tested
        {RunVerdict::kStopped, false, 100, 0, "interrupted", 3},  // nothing read back
        {RunVerdict::kAborted, false, 100, 100, "interrupted", 3},
        {RunVerdict::kFailure, true, 0, 0, "failed", 1},
        {RunVerdict::kAborted, true, 100, 0, "failed", 1},  // a failure is never hidden
    };
    for (const auto& [ending, failed, written, read, result, exit] : cases) {
        const RunVerdict v(ending, failed, written, read);
        EXPECT_STREQ(v.ResultName(), result) << v.EndingName() << written << read;
        EXPECT_EQ(v.ExitCode(), exit) << v.EndingName();
    }
}

// A check of kept files writes nothing: it proves something once every
// file was read, and never when one was not.
TEST(RunVerdictTest, ACheckOfKeptFilesIsOkOnceEveryFileWasRead) {
    const auto run = [](std::initializer_list<uint64_t> reads) {
        RunSnapshot r;
        for (uint64_t read : reads) {
            r.tests.emplace_back();
            r.tests.back().bytesRead[0] = read;
        }
        return r;
    };
    // {bytes each file's test read, result}
    const std::pair<RunSnapshot, const char*> cases[] = {
        {run({4096, 9000}), "ok"},
        {run({4096, 0}), "interrupted"},
        {run({}), "interrupted"},
    };
    for (const auto& [snapshot, result] : cases) {
        EXPECT_STREQ(RunVerdict::Of(RunVerdict::kTimeUp, false, snapshot, true).ResultName(),
                     result)
            << snapshot.tests.size();
    }
    // A run that writes is judged as before.
    EXPECT_STREQ(RunVerdict::Of(RunVerdict::kTimeUp, false, run({4096}), false).ResultName(),
                 "interrupted");
}

// A run asked to cross-check proves nothing of it until it read some of the
// other client's files; its own line says which part was missing.
TEST(RunVerdictTest, ACrossCheckThatReadNothingIsNeverOk) {
    const auto run = [](const char* peer, uint64_t partnerBytes, bool failed) {
        RunSnapshot r;
        r.tests.resize(2);
        r.tests[0].bytesWritten[0] = r.tests[0].bytesRead[0] = 4096;
        r.tests[1].testname = Chaine(Chaine::ResourceId(res::kCrossReadTestName));
        r.tests[1].peer = Chaine(peer);
        r.tests[1].bytesRead[0] = partnerBytes;
        if (failed) r.tests[1].state = TestSnapshot::kFailed;
        return r;
    };
    const std::string ok = RunVerdict::Sentence(RunVerdict::kOk),
                      failed = RunVerdict::Sentence(RunVerdict::kFailed);
    // {run, ending, result, the start of its line}
    const std::tuple<RunSnapshot, RunVerdict::Ending, const char*, std::string> cases[] = {
        {run("h1", 100, false), RunVerdict::kTimeUp, "ok", ok},
        {run("", 0, false), RunVerdict::kTimeUp, "interrupted", "Le test croisé n'a jamais"},
        {run("h1", 0, false), RunVerdict::kStopped, "interrupted", "Le test croisé n'a lu aucun"},
        {run("", 0, true), RunVerdict::kFailure, "failed", failed},  // its failure says more
    };
    for (const auto& [snapshot, ending, result, sentence] : cases) {
        const RunVerdict v = RunVerdict::Of(ending, snapshot.AnyFailed(), snapshot, false);
        EXPECT_STREQ(v.ResultName(), result) << sentence;
        EXPECT_EQ(std::string(v.Sentence()).rfind(sentence, 0), 0u) << v.Sentence();
    }
}
