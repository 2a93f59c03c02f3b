#pragma once
#include <cstdint>

#include "support/Chaine.h"
#include "support/TimeOfDay.h"

// Mode 1 "HH<sep>MM", 2 "HHMM", 3 "HH<sep>MM<sep>SS", 4 "HHMMSS"; any other
// mode gives the empty string.
Chaine FormatTimeOfDay(const TimeOfDay& time, int mode, char separator);

// French words for a duration: "inconnu" for 0, else the two largest units among
// days, hours, minutes and seconds ("2 minutes 5 secondes", "1 jour 1 heure").
Chaine FormatDurationWords(int32_t milliseconds);
