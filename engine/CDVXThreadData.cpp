#include "engine/CDVXThreadData.h"

void CDVXThreadData::SetStopRequest(int32_t r) {
    if (stopRequest == kAbort && r != kAbort) return;
    stopRequest = r;
}

void CDVXThreadData::SetState(int32_t s) {
    if (state == kFailed) return;
    if (s == kFailed) {
        failTicks = platform::Clock::GetTickCount();
        localtime = platform::Clock::GetLocalTime();
    }
    state = s;
}

void CDVXThreadData::RecordSystemError(uint32_t code, int32_t op, uint32_t offset, int32_t err) {
    SetState(kFailed);
    errorKind = kSystemError;
    if (winerr == 0) {
        winerr = code;
        sysErrno = err;
        operation = op;
        position = offset;
    }
}

void CDVXThreadData::RecordDataError(const Chaine& expected, const Chaine& read, uint32_t offset) {
    SetState(kFailed);
    errorKind = kDataError;
    if (datawait.IsEmpty() && dataget.IsEmpty()) {
        // Private copies: the caller's blocks stay on the caller's thread.
        datawait = expected.PrivateCopy();
        dataget = read.PrivateCopy();
        position = offset;
    }
}

void CDVXThreadData::RecordInternalError() {
    SetState(kFailed);
    position = 0;
    errorKind = kInternalError;
}
