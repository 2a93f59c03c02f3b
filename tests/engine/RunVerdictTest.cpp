#include "engine/RunVerdict.h"

#include <gtest/gtest.h>

#include <tuple>

#include "platform/ResourceIds.h"

TEST(RunVerdictTest, OnlyACompleteRunThatReadItsDataBackIsOk) {
    // {ending, failed, bytes written, bytes read, result, exit code}
    const std::tuple<RunVerdict::Ending, bool, uint64_t, uint64_t, const char*, int> cases[] = {
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
    // {the other client's name, bytes of its files read, failed, result, start of the line}
    const std::tuple<const char*, uint64_t, bool, const char*, std::string> cases[] = {
        {"h1", 0, false, "interrupted", "Le test croisé n'a lu aucun"},
        {"", 0, true, "failed", RunVerdict::Sentence(RunVerdict::kFailed)},  // it says more
    };
    for (const auto& [peer, read, failed, result, sentence] : cases) {
        RunSnapshot run;
        run.tests.resize(2);
        run.tests[0].bytesWritten[0] = run.tests[0].bytesRead[0] = 4096;
        run.tests[1].testname = Chaine(Chaine::ResourceId(res::kCrossReadTestName));
        run.tests[1].peer = Chaine(peer);
        run.tests[1].bytesRead[0] = read;
        const RunVerdict v = RunVerdict::Of(RunVerdict::kTimeUp, failed, run, false);
        EXPECT_STREQ(v.ResultName(), result) << sentence;
        EXPECT_EQ(std::string(v.Sentence()).rfind(sentence, 0), 0u) << v.Sentence();
    }
}
