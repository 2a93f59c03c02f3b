#pragma once
#include "support/Chaine.h"

class QWidget;

// The program's modal messages, centred over `parent`.
class MessageBox {
public:
    // A Yes/No question with the question icon. Escape and the close box answer No.
    static bool AskYesNo(QWidget* parent, const Chaine& text, const Chaine& caption);
    // A failure the user should know of, with the warning icon and OK.
    static void Warn(QWidget* parent, const Chaine& text, const Chaine& caption);
};
