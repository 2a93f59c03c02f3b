#pragma once
#include "support/Chaine.h"

class QWidget;

// The program's one question: a modal Yes/No box with the question icon,
// centred over `parent`. Escape and the close box answer No.
class MessageBox {
public:
    static bool AskYesNo(QWidget* parent, const Chaine& text, const Chaine& caption);
};
