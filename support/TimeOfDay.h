#pragma once
#include <cstdint>

#include "platform/Clock.h"

// A time of day as the error report shows it.
struct TimeOfDay {
    uint8_t hundredths = 0;  // 0..99
    uint8_t seconds = 0;     // 0..59
    uint8_t minutes = 0;     // 0..59
    uint8_t hours = 0;       // 0..23

    static TimeOfDay FromSystemTime(const platform::SystemTime& st) {
        return TimeOfDay{static_cast<uint8_t>(st.milliseconds / 10),
                         static_cast<uint8_t>(st.second), static_cast<uint8_t>(st.minute),
                         static_cast<uint8_t>(st.hour)};
    }
};
