#include "gui/controls/CURLButton.h"

#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QImage>
#include <QTest>

namespace {

using B = CURLButton;

// Takes what the desktop would open, so that no browser or mail client starts.
class Opened : public QObject {
    Q_OBJECT
public:
    Q_INVOKABLE void Open(const QUrl& url) { urls.append(url); }
    QList<QUrl> urls;
};

}  // namespace

TEST(CURLButtonTest, ShownTextTargetAndTextBox) {
    const std::tuple<QString, QString, QString> texts[] = {
        {"mailto:sav@quarn.example", "sav@quarn.example", "mailto:sav@quarn.example"},
        {"//www.quarn.example/aide", "www.quarn.example/aide", "https://www.quarn.example/aide"},
        {"mailto://x", "x", "mailto://x"},
        {"https://quarn.example", "https://quarn.example", "https://quarn.example"},
    };
    for (const auto& [text, shown, target] : texts)
        EXPECT_EQ(std::pair(B::ShownText(text), B::Target(text)), std::pair(shown, QUrl(target)));
    // Centred, the extra pixel of odd room below, then a pixel up; cut at the inset; no room.
    EXPECT_EQ(B::TextBox({10, 4, 100, 21}, {50, 14}), QRect(15, 6, 50, 14));
    EXPECT_EQ(B::TextBox({0, 0, 100, 20}, {200, 14}), QRect(5, 2, 90, 14));
    EXPECT_EQ(B::TextBox({0, 0, 8, 10}, {20, 14}), QRect(5, -3, 0, 14));
    // Cut only when wider than the room between the insets (measured to a pixel).
    const QFontMetrics metrics{QFont()};
    const int width = metrics.horizontalAdvance("quarn.example");
    EXPECT_EQ(B::FittedText("quarn.example", metrics, width + 11), "quarn.example");
    EXPECT_TRUE(B::FittedText("quarn.example", metrics, width + 5).endsWith(QChar(0x2026)));
}

// Green text underlined along its last row, purple while pressed, nothing
// drawn outside the text box. A click hands the whole text to the desktop,
// "mailto:" included, a bare "//" address as https; Space, on a tab stop, too.
TEST(CURLButtonTest, DrawsTheLinkInItsColoursAndAClickOpensTheFullText) {
    Opened opened;
    for (const char* s : {"mailto", "https"}) QDesktopServices::setUrlHandler(s, &opened, "Open");
    CURLButton link;
    link.resize(200, 24);
    link.show();
    link.setFocus();
    const QFontMetrics metrics = link.fontMetrics();
    for (const char* text : {"mailto:sav@quarn.example", "//www.quarn.example/aide"}) {
        link.setText(text);
        const QRect box = B::TextBox(
            link.rect(), {metrics.horizontalAdvance(B::ShownText(text)), metrics.height()});
        for (const auto& [down, color] : {std::pair{false, B::kColor}, {true, B::kPressedColor}}) {
            link.setDown(down);
            const QImage image = link.grab().toImage();
            int underline = 0, outside = 0;
            for (int x = 0; x < image.width(); ++x) {
                underline += (image.pixel(x, box.bottom()) & 0xFFFFFF) == color;
                for (int y = 0; y < image.height(); ++y)
                    outside += !box.contains(x, y) && (image.pixel(x, y) & 0xFFFFFF) == color;
            }
            EXPECT_EQ(std::pair(underline, outside), std::pair(box.width(), 0)) << text << down;
        }
        *text == 'm' ? QTest::mouseClick(&link, Qt::LeftButton)
                     : QTest::keyClick(&link, Qt::Key_Space);
    }
    for (const char* s : {"mailto", "https"}) QDesktopServices::unsetUrlHandler(s);
    EXPECT_EQ(opened.urls, (QList<QUrl>{QUrl("mailto:sav@quarn.example"),
                                        QUrl("https://www.quarn.example/aide")}));
}

#include "CURLButtonTest.moc"
