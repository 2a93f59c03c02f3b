#include "engine/RunVerdict.h"

#include <string>

#include "engine/CDVXPrefs.h"
#include "platform/ResourceIds.h"
#include "support/Chaine.h"

RunVerdict::RunVerdict(Ending how, bool failed, bool proved)
    : ending(how),
      result(failed                       ? kFailed
             : how == kAborted || !proved ? kInterrupted
                                          : kOk) {}

RunVerdict::RunVerdict(Ending how, bool failed, uint64_t bytesWritten, uint64_t bytesRead)
    : RunVerdict(how, failed, bytesWritten != 0 && bytesRead != 0) {}

namespace {

// How far the cross-check of `run` went, if it had one.
RunVerdict::CrossShortfall CrossShortfallOf(const RunSnapshot& run) {
    const Chaine reading(Chaine::ResourceId(res::kCrossReadTestName));
    for (const TestSnapshot& t : run.tests) {
        if (t.testname != reading) continue;
        if (t.peer.IsEmpty()) return RunVerdict::kPartnerNeverMet;
        if (t.bytesRead[0] + t.bytesRead[1] == 0) return RunVerdict::kNothingOfPartner;
    }
    return RunVerdict::kCrossDone;
}

}  // namespace

RunVerdict RunVerdict::Of(Ending how, bool failed, const RunSnapshot& run, bool checking) {
    if (!checking) {
        RunVerdict verdict(how, failed, run.TotalWritten(true), run.TotalRead(true));
        if (verdict.result == kOk) verdict.crossShortfall = CrossShortfallOf(run);
        if (verdict.crossShortfall != kCrossDone) verdict.result = kInterrupted;
        return verdict;
    }
    bool everyFile = !run.tests.empty();
    for (const TestSnapshot& t : run.tests) everyFile &= t.bytesRead[0] + t.bytesRead[1] != 0;
    return RunVerdict(how, failed, everyFile);
}

int RunVerdict::ExitCode(Result result) {
    switch (result) {
        case kOk: return 0;
        case kFailed: return 1;
        case kInterrupted: break;
    }
    return 3;
}

const char* RunVerdict::EndingName(Ending ending) {
    switch (ending) {
        case kTimeUp: return "time-up";
        case kStopped: return "stopped";
        case kAborted: return "aborted";
        case kFailure: break;
    }
    return "failure";
}

RunVerdict::Ending RunVerdict::EndingOf(std::string_view name) {
    for (Ending e : {kTimeUp, kStopped, kAborted}) {
        if (name == EndingName(e)) return e;
    }
    return kFailure;
}

const char* RunVerdict::ResultName(Result result) {
    switch (result) {
        case kOk: return "ok";
        case kFailed: return "failed";
        case kInterrupted: break;
    }
    return "interrupted";
}

const char* RunVerdict::Sentence() const {
    static const std::string
        neverMet = Chaine(Chaine::ResourceId(res::kPartnerNeverMetSentence)).ToUtf8(),
        nothingRead = Chaine(Chaine::ResourceId(res::kNothingOfPartnerSentence)).ToUtf8();
    switch (crossShortfall) {
        case kPartnerNeverMet: return neverMet.c_str();
        case kNothingOfPartner: return nothingRead.c_str();
        case kCrossDone: break;
    }
    return Sentence(result);
}

const char* RunVerdict::Sentence(Result result) {
    // Read once: callers keep the pointer.
    static const std::string ok = Chaine(Chaine::ResourceId(res::kOkSentence)).ToUtf8(),
                             failed = Chaine(Chaine::ResourceId(res::kFailedSentence)).ToUtf8(),
                             interrupted =
                                 Chaine(Chaine::ResourceId(res::kInterruptedSentence)).ToUtf8();
    switch (result) {
        case kOk: return ok.c_str();
        case kFailed: return failed.c_str();
        case kInterrupted: break;
    }
    return interrupted.c_str();
}

bool RunVerdict::StoppedEarly(Ending ending, uint32_t durationMinutes) {
    return ending == kStopped && durationMinutes != CDVXPrefs::UntilStopped;
}
