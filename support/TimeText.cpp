#include "support/TimeText.h"

Chaine FormatTimeOfDay(const TimeOfDay& time, int mode, char separator) {
    Chaine text;
    switch (mode) {
        case 1: text.Format("%02d%c%02d", time.hours, separator, time.minutes); break;
        case 2: text.Format("%02d%02d", time.hours, time.minutes); break;
        case 3:
            text.Format("%02d%c%02d%c%02d", time.hours, separator, time.minutes, separator,
                        time.seconds);
            break;
        case 4: text.Format("%02d%02d%02d", time.hours, time.minutes, time.seconds); break;
        default: break;
    }
    return text;
}

namespace {

Chaine Part(int64_t value, const char* unit) {
    Chaine part;
    part.Format("%lld %s%s", static_cast<long long>(value), unit, value > 1 ? "s" : "");
    return part;
}

}  // namespace

Chaine FormatDurationWords(int32_t milliseconds) {
    if (milliseconds == 0) return Chaine("inconnu");
    // 64 bits: adding the half second must not overflow near the 32-bit limits.
    const int64_t seconds = (int64_t{milliseconds} + 500) / 1000;
    const int64_t minutes = seconds / 60;
    int64_t a, b;
    const char* unitA;
    const char* unitB;
    if (seconds < 3600) {
        a = minutes, unitA = "minute", b = seconds % 60, unitB = "seconde";
    } else if (minutes < 1440) {
        a = minutes / 60, unitA = "heure", b = minutes % 60, unitB = "minute";
    } else {
        const int64_t hours = minutes / 60;
        a = hours / 24, unitA = "jour", b = hours % 24, unitB = "heure";
    }
    Chaine text;
    if (a != 0) {
        text = Part(a, unitA);
        text += ' ';
    }
    text += Part(b, unitB);
    return text;
}
