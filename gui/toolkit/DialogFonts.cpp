#include "gui/toolkit/DialogFonts.h"

QFont HeadingFont(const QFont& dialogFont) {
    QFont font(dialogFont);
    font.setBold(true);
    return font;
}

QFont BannerFont() { return QFont(QStringLiteral("Arial"), 12, QFont::Bold); }
