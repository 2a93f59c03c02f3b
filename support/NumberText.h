#pragma once
#include <cstdint>

#include "support/Chaine.h"

// A count for people, in French: digits in groups of three from the right,
// joined by a no-break space so that a line never breaks inside the number
// ("47 280 352 582"). Windows-1252 has no narrow no-break space; its
// no-break space (0xA0) is the one it can carry.
Chaine FormatGroupedNumber(uint64_t value);
