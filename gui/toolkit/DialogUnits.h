#pragma once
#include <QList>
#include <QRect>

class QFont;
class QGroupBox;
class QWidget;

// Layouts are drawn in dialog units, which follow the dialog's font: a
// horizontal unit is a quarter of the average width of the letters A-Z a-z,
// a vertical unit an eighth of the line height. (QFontMetrics'
// averageCharWidth() is narrower than the letters of running text in most
// fonts.) Fonts differ in how wide running French text is against that
// average, so the horizontal unit also grows, when needed, until every text of
// the layout fits its rectangle as it did in the font the layout was drawn for.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);

    QRect Map(const QRect& units) const;

    // Widens the horizontal unit so that the labels, check boxes and radio
    // buttons of `window`, still in dialog units, fit their rectangles.
    void FitTexts(const QWidget* window);
    // Turns a layout made in dialog units into pixels: the window's fixed size
    // and the geometry of its direct children, a group box raised where the
    // style would draw its frame onto its contents.
    void Apply(QWidget* window) const;

    // Both, for one window, or for windows that must share one scale (pages).
    static void Scale(QWidget* window);
    static void Scale(const QList<QWidget*>& windows);

    // The heading of a page: the dialog's own font, bold.
    static QFont HeadingFont(const QFont& dialogFont);
    // The large title beside the side picture: "Arial" 12 pt bold; fontconfig
    // gives the nearest face it has.
    static QFont BannerFont();

private:
    int MapX(int units) const;
    int MapY(int units) const;
    void ClearTitle(QGroupBox* box, const QList<QWidget*>& siblings) const;

    double m_charWidth;
    int m_lineHeight;
};
