#pragma once
#include <QPalette>

// Shows every window of the application as on a desktop in a dark colour
// scheme: the Fusion style with light text on dark grounds, in the colours
// of a common dark desktop theme. For the screenshot tool and the checks of
// what stays readable there; the program itself takes the desktop's own.
// User-interface thread, before any window shows.
void UseDarkScheme();
// The scheme's colours alone.
QPalette DarkPalette();
