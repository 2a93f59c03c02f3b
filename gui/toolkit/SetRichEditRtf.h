#pragma once
#include "support/Chaine.h"

class QTextEdit;

// Shows an RTF document in `edit`: its paragraphs, bullets as a list, and runs
// with their weight, slant, size, colour and font. Drawing is held back while
// the document is built and done once at the end. An empty text gives an
// empty page. The page is white and its text black whatever the colour
// scheme, as the documents' own colours ask. User-interface thread only.
void SetRichEditRtf(QTextEdit* edit, const Chaine& rtf);
