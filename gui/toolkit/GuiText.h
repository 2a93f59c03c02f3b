#pragma once
#include <QString>
#include <cstdint>

#include "support/Chaine.h"

class QWidget;

// The program's Windows-1252 text at the edge of Qt, which speaks Unicode. A
// character that Windows-1252 cannot hold becomes '?'.
QString ToQString(const Chaine& text);
Chaine ToChaine(const QString& text);
// Why `text` cannot be carried unchanged by the program's text: the rule,
// naming the first character that breaks it (by number and U+ code point,
// the character itself being one the text cannot show); empty when every
// character can. The one rule by which the folder field, the directory page
// and the folder browser refuse a path.
Chaine UncarriedRefusal(const QString& text);
// Entry `id` of the program's string table.
QString ResourceQString(unsigned id);
// What a screen reader should call a control that shows `text`: without the
// mnemonic's '&', the arrows of "< Précédent" and "Suivant >" or a trailing
// ellipsis, which are drawn for the eye only.
QString SpokenName(const QString& text);
// Gives `widget` the name a screen reader says and what it tells of it.
void SetAccessibleTexts(QWidget* widget, const QString& name, const QString& description);

// The whole text of a window: an edit's contents, else its title. A null
// window gives the empty string.
Chaine FromWindowText(const QWidget* window);
// The number that text starts with, as Chaine::ToInteger reads it; a negative
// one counts as 0.
uint32_t FromWindowNumber(const QWidget* window);
