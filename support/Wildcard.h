#pragma once
#include "support/Chaine.h"
#include "support/PTableau.h"

// Matches `text` against a pattern: '?' one character, '#' one digit, "[a-z]"
// a set ("[!...]" outside it), '*' any run (its text goes to `captures` when
// given), '`' takes the next character literally. With `wholeText` the
// pattern must cover all of the text. Returns the number of characters
// matched, 0 for no match (and for an empty text).
int MatchWildcard(const Chaine& text, const Chaine& pattern, bool ignoreCase, bool wholeText,
                  PTableau<Chaine>* captures = nullptr);
