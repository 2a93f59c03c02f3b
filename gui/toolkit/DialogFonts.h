#pragma once
#include <QFont>

// The heading of a page: the dialog's own font, bold.
QFont HeadingFont(const QFont& dialogFont);
// The large title beside the side picture: "Arial" 12 pt bold; fontconfig
// gives the nearest face it has.
QFont BannerFont();
