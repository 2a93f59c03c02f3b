#pragma once
#include "support/Chaine.h"

class QWidget;

// The program's modal messages, centred over `parent`, and its warning
// sound. User-interface thread only.
class MessageBox {
public:
    enum Answer { kNo, kYes };
    // A Yes/No question with the question icon, `byDefault` the answer of
    // Enter. Escape and the close box answer No.
    static bool AskYesNo(QWidget* parent, const Chaine& text, const Chaine& caption,
                         Answer byDefault = kYes);
    // A failure the user should know of, with the warning icon and OK.
    static void Warn(QWidget* parent, const Chaine& text, const Chaine& caption);
    // The system's warning sound, for an action refused without a message (a
    // dropped file where a folder was expected). Every call is counted, so
    // that tests, which hear nothing, can tell.
    static void Beep();
    static int BeepCount();
};
