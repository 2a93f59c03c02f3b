#include "report/result/StartTime.h"

#include <chrono>

namespace {

// Reads exactly `count` digits at `pos`.
bool Digits(std::string_view text, std::size_t& pos, std::size_t count, int* value) {
    if (pos + count > text.size()) return false;
    int v = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const char c = text[pos + i];
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    pos += count;
    *value = v;
    return true;
}

// ".5", ".25", ".123456": the milliseconds of a fraction of a second.
bool Fraction(std::string_view text, std::size_t& pos, int* ms) {
    *ms = 0;
    if (pos >= text.size() || text[pos] != '.') return true;
    ++pos;
    const std::size_t start = pos;
    int scale = 100;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        *ms += (text[pos++] - '0') * scale;
        scale /= 10;
    }
    return pos > start;
}

bool ParseEpoch(std::string_view text, int64_t* epochMs) {
    std::size_t pos = 0;
    int64_t seconds = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        if (pos == 12) return false;  // beyond the year 33000
        seconds = seconds * 10 + (text[pos++] - '0');
    }
    int ms = 0;
    if (pos == 0 || !Fraction(text, pos, &ms) || pos != text.size()) return false;
    *epochMs = seconds * 1000 + ms;
    return true;
}

}  // namespace

int64_t StartTime::EpochMs(const platform::SystemTime& t) {
    using namespace std::chrono;
    const sys_days day = year_month_day{year{t.year}, month{t.month}, std::chrono::day{t.day}};
    const auto local =
        day + hours{t.hour} + minutes{t.minute} + seconds{t.second} + milliseconds{t.milliseconds};
    return (local - seconds{t.utcOffsetSeconds}).time_since_epoch() / milliseconds{1};
}

bool StartTime::Parse(std::string_view text, int64_t* epochMs) {
    if (text.find('-') == std::string_view::npos) return ParseEpoch(text, epochMs);
    std::size_t pos = 0;
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
    const auto separator = [&](char c) { return pos < text.size() && text[pos++] == c; };
    if (!Digits(text, pos, 4, &y) || !separator('-') || !Digits(text, pos, 2, &mo) ||
        !separator('-') || !Digits(text, pos, 2, &d) || pos >= text.size() ||
        (text[pos] != 'T' && text[pos] != ' ') || !Digits(text, ++pos, 2, &h) || !separator(':') ||
        !Digits(text, pos, 2, &mi)) {
        return false;
    }
    if (pos < text.size() && text[pos] == ':' &&
        (!Digits(text, ++pos, 2, &s) || !Fraction(text, pos, &ms))) {
        return false;
    }
    const std::chrono::year_month_day date{std::chrono::year{y},
                                           std::chrono::month{static_cast<unsigned>(mo)},
                                           std::chrono::day{static_cast<unsigned>(d)}};
    if (!date.ok() || h > 23 || mi > 59 || s > 59) return false;
    platform::SystemTime t;
    t.year = static_cast<uint16_t>(y), t.month = static_cast<uint16_t>(mo);
    t.day = static_cast<uint16_t>(d), t.hour = static_cast<uint16_t>(h);
    t.minute = static_cast<uint16_t>(mi), t.second = static_cast<uint16_t>(s);
    t.milliseconds = static_cast<uint16_t>(ms);
    if (pos == text.size()) return platform::Clock::LocalTimeToEpochMs(t, epochMs);
    if (text.substr(pos) == "Z") {
        *epochMs = EpochMs(t);
        return true;
    }
    // ±HH:MM, ±HHMM or ±HH.
    const char sign = text[pos++];
    int oh = 0, om = 0;
    if ((sign != '+' && sign != '-') || !Digits(text, pos, 2, &oh)) return false;
    const bool colon = pos < text.size() && text[pos] == ':';
    if ((colon || pos < text.size()) && !Digits(text, pos += colon, 2, &om)) return false;
    if (pos != text.size() || oh > 23 || om > 59) return false;
    t.utcOffsetSeconds = (sign == '-' ? -1 : 1) * (oh * 3600 + om * 60);
    *epochMs = EpochMs(t);
    return true;
}
