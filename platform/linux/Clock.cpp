#include "platform/Clock.h"

#include <time.h>

#include <chrono>
#include <thread>

namespace platform {

uint32_t Clock::GetTickCount() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + ts.tv_nsec / 1000000;
    return static_cast<uint32_t>(ms);
}

SystemTime Clock::GetLocalTime() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm local{};
    localtime_r(&ts.tv_sec, &local);
    SystemTime st;
    st.year = static_cast<uint16_t>(local.tm_year + 1900);
    st.month = static_cast<uint16_t>(local.tm_mon + 1);
    st.dayOfWeek = static_cast<uint16_t>(local.tm_wday);
    st.day = static_cast<uint16_t>(local.tm_mday);
    st.hour = static_cast<uint16_t>(local.tm_hour);
    st.minute = static_cast<uint16_t>(local.tm_min);
    st.second = static_cast<uint16_t>(local.tm_sec);
    st.milliseconds = static_cast<uint16_t>(ts.tv_nsec / 1000000);
    st.utcOffsetSeconds = static_cast<int32_t>(local.tm_gmtoff);
    return st;
}

void Clock::Sleep(uint32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace platform
