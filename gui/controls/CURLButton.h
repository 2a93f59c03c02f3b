#pragma once
#include <QAbstractButton>
#include <QColor>
#include <QFontMetrics>
#include <QRect>
#include <QUrl>

// A link drawn as underlined text: green, purple while pressed, on a light
// window; on a dark one, where those do not read, the palette's link colours
// (visited while pressed), lightened as far as they need. Its text is
// the whole target — a web address, or "mailto:" and an e-mail address — and
// a click hands it to the desktop's handler for its scheme. It draws no
// background, so it takes the look of the window below. User-interface
// thread only.
class CURLButton : public QAbstractButton {
    Q_OBJECT
public:
    static constexpr QRgb kColor = 0x008000;         // RGB(0, 128, 0)
    static constexpr QRgb kPressedColor = 0x800080;  // RGB(128, 0, 128)

    explicit CURLButton(QWidget* parent = nullptr);

    // The text as shown: without a leading "mailto:", then without a leading "//".
    static QString ShownText(const QString& text);
    // What a click opens: the text, given the scheme "https:" when it starts
    // with "//" (a bare "//host" has no scheme for the desktop to go by).
    static QUrl Target(const QString& text);
    // The shown text cut with an ellipsis when it is wider than the room
    // between the insets of an item `itemWidth` pixels wide.
    static QString FittedText(const QString& shown, const QFontMetrics& metrics, int itemWidth);
    // Where the text goes in `item`: 5 pixels in from either side, as wide as
    // the text if there is room, centred vertically and then one pixel up.
    static QRect TextBox(const QRect& item, const QSize& text);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};
