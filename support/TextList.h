#pragma once
#include <vector>

#include "support/Chaine.h"

// "a|b|c" → {"a", "b", "c"}: the pieces between separators, empty ones
// included ("|a" starts with an empty piece; "" is one empty piece).
std::vector<Chaine> SplitText(const Chaine& text, char separator = '|');
