#include "report/ProgressText.h"

Chaine ProgressText::Throughput(uint64_t bytesPerSecond) {
    const uint64_t tenths = (bytesPerSecond * 80) >> 20;
    Chaine text;
    text.Format("%I64u octets/sec (%I64u.%I64u Mbits/sec)", bytesPerSecond, tenths / 10,
                tenths % 10);
    return text;
}

Chaine ProgressText::Bytes(uint64_t bytes) {
    Chaine text;
    text.Format("%I64u", bytes);
    return text;
}
