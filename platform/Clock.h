#pragma once
#include <cstdint>

namespace platform {

// Local date and time, field for field as the error record keeps it.
struct SystemTime {
    uint16_t year = 0;
    uint16_t month = 0;
    uint16_t dayOfWeek = 0;
    uint16_t day = 0;
    uint16_t hour = 0;
    uint16_t minute = 0;
    uint16_t second = 0;
    uint16_t milliseconds = 0;
    int32_t utcOffsetSeconds = 0;  // local time minus UTC at that moment

    bool operator==(const SystemTime&) const = default;
};

// Any thread.
class Clock {
public:
    // Milliseconds of a monotonic clock, truncated to 32 bits (wraps).
    static uint32_t GetTickCount();
    // Milliseconds the system has spent asleep (suspended) since it booted:
    // the boot-time clock less the monotonic one, which stands still then.
    static uint64_t GetSleptMs();
    static SystemTime GetLocalTime();
    // Milliseconds since 1970-01-01 UTC by the wall clock, which may be set
    // back or forth while the program runs.
    static int64_t GetEpochMs();
    // That moment as this machine's local time, with its offset.
    static SystemTime ToLocalTime(int64_t epochMs);
    // The moment that the fields of `t` name in this machine's time zone
    // (its utcOffsetSeconds and dayOfWeek are not read). False for a date
    // the system cannot place.
    static bool LocalTimeToEpochMs(const SystemTime& t, int64_t* epochMs);
    static void Sleep(uint32_t milliseconds);
};

}  // namespace platform
