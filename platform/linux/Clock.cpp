#include "platform/Clock.h"

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <thread>

namespace platform {

uint32_t Clock::GetTickCount() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + ts.tv_nsec / 1000000;
    return static_cast<uint32_t>(ms);
}

uint64_t Clock::GetSleptMs() {
    // The monotonic clock read first: the time between the two readings adds
    // to the difference, never takes from it. The least of three readings,
    // so that a thread put aside between two reads adds nothing.
    int64_t least = INT64_MAX;
    for (int i = 0; i < 3; ++i) {
        timespec boot{}, mono{};
        clock_gettime(CLOCK_MONOTONIC, &mono);
        clock_gettime(CLOCK_BOOTTIME, &boot);
        least = std::min<int64_t>(least,
                                  (static_cast<int64_t>(boot.tv_sec) - mono.tv_sec) * 1000000000 +
                                      (boot.tv_nsec - mono.tv_nsec));
    }
    return least > 0 ? static_cast<uint64_t>(least) / 1000000 : 0;
}

SystemTime Clock::GetLocalTime() { return ToLocalTime(GetEpochMs()); }

int64_t Clock::GetEpochMs() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

SystemTime Clock::ToLocalTime(int64_t epochMs) {
    // Floor division: a moment before 1970 keeps its milliseconds positive.
    int64_t seconds = epochMs / 1000, ms = epochMs % 1000;
    if (ms < 0) ms += 1000, --seconds;
    const time_t t = static_cast<time_t>(seconds);
    tm local{};
    localtime_r(&t, &local);
    SystemTime st;
    st.year = static_cast<uint16_t>(local.tm_year + 1900);
    st.month = static_cast<uint16_t>(local.tm_mon + 1);
    st.dayOfWeek = static_cast<uint16_t>(local.tm_wday);
    st.day = static_cast<uint16_t>(local.tm_mday);
    st.hour = static_cast<uint16_t>(local.tm_hour);
    st.minute = static_cast<uint16_t>(local.tm_min);
    st.second = static_cast<uint16_t>(local.tm_sec);
    st.milliseconds = static_cast<uint16_t>(ms);
    st.utcOffsetSeconds = static_cast<int32_t>(local.tm_gmtoff);
    return st;
}

bool Clock::LocalTimeToEpochMs(const SystemTime& t, int64_t* epochMs) {
    tm local{};
    local.tm_year = t.year - 1900;
    local.tm_mon = t.month - 1;
    local.tm_mday = t.day;
    local.tm_hour = t.hour;
    local.tm_min = t.minute;
    local.tm_sec = t.second;
    local.tm_isdst = -1;  // the zone's rule for that date decides
    const time_t seconds = mktime(&local);
    if (seconds == static_cast<time_t>(-1)) return false;
    *epochMs = static_cast<int64_t>(seconds) * 1000 + t.milliseconds;
    return true;
}

void Clock::Sleep(uint32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace platform
