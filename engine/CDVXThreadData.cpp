#include "engine/CDVXThreadData.h"

#include <cerrno>
#include <cstdio>
#include <utility>

#include "platform/SystemError.h"

void CDVXThreadData::SetStopRequest(int32_t r) {
    int32_t current = stopRequest.load();
    while (current != kAbort && !stopRequest.compare_exchange_weak(current, r)) {
    }
}

void CDVXThreadData::SetState(int32_t s) {
    if (state == kFailed) return;
    if (s == kFailed) {
        failure.failTicks = platform::Clock::GetTickCount();
        failure.localtime = platform::Clock::GetLocalTime();
    }
    state = s;
}

void CDVXThreadData::RecordSystemError(uint32_t code, int32_t op, uint32_t offset, int32_t err) {
    SetState(kFailed);
    failure.errorKind = kSystemError;
    if (failure.winerr == 0) {
        failure.winerr = code;
        failure.sysErrno = err;
        failure.operation = op;
        failure.position = offset;
    }
}

void CDVXThreadData::RecordDataError(const Chaine& expected, const Chaine& read, uint32_t offset,
                                     const Damage& damage) {
    SetState(kFailed);
    failure.errorKind = kDataError;
    if (failure.datawait.IsEmpty() && failure.dataget.IsEmpty()) {
        // Private copies: the caller's blocks stay on the caller's thread.
        failure.datawait = expected.PrivateCopy();
        failure.dataget = read.PrivateCopy();
        failure.position = offset;
        failure.damage = damage;
    }
}

void CDVXThreadData::RecordMismatch(const void* expected, uint32_t expectedCount, const void* read,
                                    uint32_t readCount, uint32_t base, const Damage& damage) {
    const auto* e = static_cast<const unsigned char*>(expected);
    const auto* r = static_cast<const unsigned char*>(read);
    uint32_t i = 0;
    while (i < expectedCount && i < readCount && e[i] == r[i]) ++i;
    const auto hex = [i](const unsigned char* bytes, uint32_t count) {
        Chaine text;
        for (uint32_t k = i; k < count && k < i + 10; ++k) {
            char digits[3];
            std::snprintf(digits, sizeof digits, "%02x", bytes[k]);
            text += digits;
        }
        return text;
    };
    RecordDataError(hex(e, expectedCount), hex(r, readCount), base + i, damage);
}

void CDVXThreadData::RecordInternalError() {
    SetState(kFailed);
    failure.position = 0;
    failure.errorKind = kInternalError;
}

void CDVXThreadData::EnterCall(int32_t op, uint32_t offset, int fileSlot) {
    m_callOp.store(op, std::memory_order_relaxed);
    m_callPosition.store(offset, std::memory_order_relaxed);
    m_callSlot.store(fileSlot, std::memory_order_relaxed);
    m_callSince.store(kInCall | platform::Clock::GetTickCount(), std::memory_order_release);
}

bool CDVXThreadData::GetPendingCall(uint32_t nowTicks, PendingCall* call) const {
    const uint64_t since = m_callSince.load(std::memory_order_acquire);
    if (since == 0) return false;
    // Acquire loads: the second look at the start below stays after them.
    call->operation = m_callOp.load(std::memory_order_acquire);
    call->position = m_callPosition.load(std::memory_order_acquire);
    call->fileSlot = m_callSlot.load(std::memory_order_acquire);
    // A call that ended and another that began meanwhile: the details may
    // mix both; the next look sees the new one alone.
    if (m_callSince.load(std::memory_order_acquire) != since) return false;
    call->waitedMs = nowTicks - static_cast<uint32_t>(since);
    // A tick count read before the call began.
    if (call->waitedMs > 0x80000000u) call->waitedMs = 0;
    return true;
}

bool CDVXThreadData::IsStuck(uint32_t nowTicks, uint32_t limitMs) const {
    PendingCall call;
    return stalled.load(std::memory_order_acquire) ||
           (GetPendingCall(nowTicks, &call) && call.waitedMs >= limitMs);
}

void CDVXThreadData::RestartCallClock(uint32_t nowTicks) {
    uint64_t since = m_callSince.load(std::memory_order_acquire);
    // Lost to a call that ended or began meanwhile, which has a clock of its own.
    if (since != 0) m_callSince.compare_exchange_strong(since, kInCall | nowTicks);
}

bool CDVXThreadData::RecordStall(uint32_t nowTicks, uint32_t limitMs) {
    PendingCall call;
    if (stalled || !GetPendingCall(nowTicks, &call) || call.waitedMs < limitMs) return false;
    stalled = true;
    // A test that failed before keeps its own failure, a corruption above all.
    if (state == kFailed) return true;
    TestFailure stall = TestFailure::Stalled(call.operation, call.position, call.waitedMs,
                                             PendingFile(call.fileSlot));
    SetState(kFailed);
    stall.failTicks = failure.failTicks;
    stall.localtime = failure.localtime;
    failure = std::move(stall);
    return true;
}

int CDVXThreadData::ClaimFileSlot() {
    for (int i = 0; i < kFileSlots; ++i) {
        if (!slotTaken[i]) {
            slotTaken[i] = true;
            return i;
        }
    }
    return -1;
}

void CDVXThreadData::SetFileName(int slot, const Chaine& name) {
    if (slot < 0 || slot >= kFileSlots) return;
    fileNames[slot] = name.PrivateCopy();
}

void CDVXThreadData::ReleaseFileSlot(int slot) {
    if (slot < 0 || slot >= kFileSlots) return;
    if (!fileNames[slot].IsEmpty()) leftFiles.push_back(fileNames[slot]);
    fileNames[slot].Empty();
    slotTaken[slot] = false;
}

const Chaine& CDVXThreadData::PendingFile(int fileSlot) const {
    const bool named = fileSlot >= 0 && fileSlot < kFileSlots && !fileNames[fileSlot].IsEmpty();
    return named ? fileNames[fileSlot] : tstdir;
}

TestSnapshot CDVXThreadData::Snapshot(uint32_t nowTicks) const {
    TestSnapshot t;
    // Private copies: the snapshot may go to any thread.
    t.testname = testname.PrivateCopy();
    t.tstdir = tstdir.PrivateCopy();
    t.state = state.load();
    t.exited = exited.load(std::memory_order_acquire);
    t.stalled = stalled.load(std::memory_order_acquire);
    for (int slot = 0; slot < 2; ++slot) {
        t.bytesWritten[slot] = bytesWritten[slot].load(std::memory_order_relaxed);
        t.bytesRead[slot] = bytesRead[slot].load(std::memory_order_relaxed);
    }
    PendingCall call;
    t.pending = GetPendingCall(nowTicks, &call);
    if (t.pending) {
        t.call = {call.operation, call.position, PendingFile(call.fileSlot).PrivateCopy(),
                  nowTicks - call.waitedMs};
    }
    if (t.state == kFailed) {
        t.failure = failure;
        t.failure.datawait = failure.datawait.PrivateCopy();
        t.failure.dataget = failure.dataget.PrivateCopy();
        t.failure.stallFile = failure.stallFile.PrivateCopy();
    }
    t.peer = peer.PrivateCopy();
    t.kept = kept;
    for (const Chaine& name : leftFiles) t.leftFiles.push_back(name.PrivateCopy());
    for (const Chaine& name : fileNames) {
        if (!name.IsEmpty()) t.leftFiles.push_back(name.PrivateCopy());
    }
    return t;
}
