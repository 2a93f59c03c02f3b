#include "engine/CDVXProgressData.h"

#include "engine/CDVXThreadData.h"

#include "platform/Clock.h"

template <typename F>
void CDVXProgressData::ForEachRecord(F&& visit) {
    CriticalSectionGuard listGuard(lock);
    for (const auto& record : records) {
        if (!visit(*record)) return;
    }
}

template <typename P>
bool CDVXProgressData::AnyRecord(P&& test) {
    bool found = false;
    ForEachRecord([&](const CDVXThreadData& r) {
        found = test(r);
        return !found;
    });
    return found;
}

std::shared_ptr<CDVXThreadData> CDVXProgressData::AddThreadData() {
    CriticalSectionGuard guard(lock);
    records.push_back(std::make_shared<CDVXThreadData>());
    return records.back();
}

void CDVXProgressData::ClearThreadData() {
    CriticalSectionGuard guard(lock);
    records.clear();
}

void CDVXProgressData::StartClock() {
    startTicks = platform::Clock::GetTickCount();
    stopTicks = 0;
}

void CDVXProgressData::StopClock() {
    if (startTicks == 0) {
        stopTicks = 0;
    } else if (stopTicks == 0) {
        stopTicks = platform::Clock::GetTickCount();
    }
}

uint32_t CDVXProgressData::GetElapsedMs() const {
    const bool running = stopTicks == 0 && startTicks != 0;
    const uint32_t end = running ? platform::Clock::GetTickCount() : stopTicks;
    return end - startTicks;
}

bool CDVXProgressData::IsAnyInState(int32_t state) {
    return AnyRecord([state](const CDVXThreadData& r) { return r.state == state; });
}

bool CDVXProgressData::IsAnyStalled() {
    return AnyRecord(
        [](const CDVXThreadData& r) { return r.stalled.load(std::memory_order_acquire); });
}

void CDVXProgressData::RequestStopAll(int32_t request) {
    ForEachRecord([&](CDVXThreadData& r) {
        r.SetStopRequest(request);
        return true;
    });
}

void CDVXProgressData::CheckFailure() {
    if (IsAnyFailed()) RequestStopAll(CDVXThreadData::kAbort);
}

bool CDVXProgressData::CheckStalls(uint32_t limitMs) {
    const uint32_t now = platform::Clock::GetTickCount();
    const bool resumed = resumeWatch.Resumed(now, platform::Clock::GetSleptMs());
    bool found = false;
    ForEachRecord([&](CDVXThreadData& r) {
        if (resumed) r.RestartCallClock(now);
        // The record's lock only for a call already that old, once.
        if (!r.stalled.load(std::memory_order_acquire) && r.IsStuck(now, limitMs)) {
            RecordGuard guard(&r);
            found = r.RecordStall(now, limitMs) || found;
        }
        return true;
    });
    return found;
}

bool CDVXProgressData::IsAnyRunningUnstuck(uint32_t stuckAfterMs) {
    const uint32_t now = platform::Clock::GetTickCount();
    return AnyRecord([&](const CDVXThreadData& r) {
        return r.state == CDVXThreadData::kRunning && !r.IsStuck(now, stuckAfterMs);
    });
}

RunSnapshot CDVXProgressData::Snapshot() {
    RunSnapshot snapshot;
    snapshot.takenTicks = platform::Clock::GetTickCount();
    snapshot.startTicks = startTicks;
    snapshot.stopTicks = stopTicks;
    CriticalSectionGuard listGuard(lock);
    snapshot.tests.reserve(records.size());
    for (const auto& record : records) {
        RecordGuard guard(record.get());
        snapshot.tests.push_back(record->Snapshot(snapshot.takenTicks));
    }
    return snapshot;
}

Chaine CDVXProgressData::FormatDuration(uint32_t ms) {
    const uint32_t s = ms / 1000;
    const uint32_t days = s / 86400, hours = (s / 3600) % 24, minutes = (s / 60) % 60;
    Chaine text, part;
    if (days > 0) text += part.Format("%u jour(s) ", days);
    if (!text.IsEmpty() || hours > 0) text += part.Format("%u h ", hours);
    if (!text.IsEmpty() || minutes > 0) text += part.Format("%u min ", minutes);
    text += part.Format("%u sec", s % 60);
    return text;
}
