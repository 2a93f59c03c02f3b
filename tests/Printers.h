#pragma once
#include <ostream>

#include "support/Chaine.h"

// Lets failing assertions show a Chaine as its text.
inline void PrintTo(const Chaine& text, std::ostream* os) { *os << '"' << text.ToUtf8() << '"'; }
