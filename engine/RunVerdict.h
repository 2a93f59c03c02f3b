#pragma once
#include <cstdint>
#include <string_view>

#include "engine/RunSnapshot.h"

// What a finished run proves. A run that found no failure is "ok" only if it
// ended as asked and data was really written and read back: an aborted run,
// or one stopped before any byte came back, proves nothing either way. Nor
// does a run asked to cross-check another client that never read a byte of
// that client's files: the check it was asked for did not take place.
class RunVerdict {
public:
    // What ended the run.
    enum Ending {
        kTimeUp,   // the duration, or a shorter limit, ran out
        kStopped,  // a stop was asked (Next, a first interrupt): every cycle was finished
        kAborted,  // an abort was asked (Back, Cancel, a second interrupt): cycles were cut short
        kFailure,  // a test failed, which aborts all the others
    };
    enum Result { kOk, kFailed, kInterrupted };
    // Why a run that found nothing wrong proves nothing of the cross-check.
    enum CrossShortfall {
        kCrossDone,         // no cross-check asked, or it read the other client's files
        kPartnerNeverMet,   // the other client never gave its name
        kNothingOfPartner,  // it did, but no byte of its files came back here
    };

    RunVerdict(Ending ending, bool failed, uint64_t bytesWritten, uint64_t bytesRead);
    // The verdict on `run`. A check of the files an earlier run kept
    // (`checking`) writes nothing: it proves something once every file was
    // read.
    static RunVerdict Of(Ending ending, bool failed, const RunSnapshot& run, bool checking);

    // 0 ok, 1 failed, 3 interrupted (2 is left to runs that could not start
    // or whose result could not be written).
    int ExitCode() const { return ExitCode(result); }
    const char* EndingName() const { return EndingName(ending); }
    const char* ResultName() const { return ResultName(result); }
    // The line for people: the result's, or the cross-check's shortfall.
    const char* Sentence() const;

    // A run given `durationMinutes` (CDVXPrefs) that was stopped before its
    // time: its "ok" covers only the time it lasted.
    static bool StoppedEarly(Ending ending, uint32_t durationMinutes);
    // The ending EndingName() gives `name`; kFailure for any other.
    static Ending EndingOf(std::string_view name);
    static const char* EndingName(Ending ending);  // "time-up", "stopped", "aborted", "failure"
    // The same for a result of several runs.
    static int ExitCode(Result result);
    static const char* ResultName(Result result);  // "ok", "failed", "interrupted"
    static const char* Sentence(Result result);    // the French line for people, UTF-8

    Ending ending;
    Result result;
    CrossShortfall crossShortfall = kCrossDone;  // kCrossDone unless it made the result

private:
    RunVerdict(Ending ending, bool failed, bool proved);
};
