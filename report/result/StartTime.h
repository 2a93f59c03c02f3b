#pragma once
#include <cstdint>
#include <string_view>

#include "platform/Clock.h"

// A wall-clock moment, as --start-at takes it and the JSON result gives it.
class StartTime {
public:
    // Seconds since 1970-01-01 UTC ("1796594400", a fraction allowed), or an
    // ISO 8601 date and time: "2026-12-06T22:30:00+01:00", "…Z", or without
    // an offset for this machine's local time; seconds and their fraction
    // may be left out. False for anything else, or a date that does not exist.
    static bool Parse(std::string_view text, int64_t* epochMs);
    // Milliseconds since 1970-01-01 UTC of a local time with its offset.
    static int64_t EpochMs(const platform::SystemTime& time);
};
