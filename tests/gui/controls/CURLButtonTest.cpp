#include "gui/controls/CURLButton.h"

#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QImage>
#include <QTest>

namespace {

// Takes what the desktop would open, so that no browser or mail client starts.
class Opened : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void Open(const QUrl& url) { urls.append(url); }
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
        EXPECT_EQ(std::pair(CURLButton::ShownText(text), CURLButton::Target(text)),
                  std::pair(shown, QUrl(target)));
    // Centred with the extra pixel of odd room below, then a pixel up; cut at
    // the inset; no room at all.
    EXPECT_EQ(CURLButton::TextBox({10, 4, 100, 21}, {50, 14}), QRect(15, 6, 50, 14));
    EXPECT_EQ(CURLButton::TextBox({0, 0, 100, 20}, {200, 14}), QRect(5, 2, 90, 14));
    EXPECT_EQ(CURLButton::TextBox({0, 0, 8, 10}, {20, 14}), QRect(5, -3, 0, 14));
    // Cut only when wider than the room between the insets (measured to a pixel).
    const QFontMetrics metrics{QFont()};
    const QString link = QStringLiteral("quarn.example");
    const int width = metrics.horizontalAdvance(link);
    EXPECT_EQ(CURLButton::FittedText(link, metrics, width + 11), link);
    EXPECT_TRUE(CURLButton::FittedText(link, metrics, width + 5).endsWith(QChar(0x2026)));
}

// Green text underlined along its last row, purple while pressed, nothing
// drawn outside the text box.
TEST(CURLButtonTest, DrawsTheLinkInItsColours) {
    CURLButton link;
    link.resize(200, 24);
    const QFontMetrics metrics = link.fontMetrics();
    for (const char* text : {"mailto:a@quarn.example", "//www.quarn.example/aide"}) {
        link.setText(text);
        const QSize size(metrics.horizontalAdvance(CURLButton::ShownText(text)), metrics.height());
        const QRect box = CURLButton::TextBox(link.rect(), size);
        for (const auto& [down, color] :
             {std::pair{false, CURLButton::kColor}, {true, CURLButton::kPressedColor}}) {
            link.setDown(down);
            const QImage image = link.grab().toImage();
            int underline = 0, outside = 0;
            for (int x = 0; x < image.width(); ++x) {
                underline += (image.pixel(x, box.bottom()) & 0xFFFFFF) == color;
                for (int y = 0; y < image.height(); ++y)
                    outside += !box.contains(x, y) && (image.pixel(x, y) & 0xFFFFFF) == color;
            }
            EXPECT_EQ(underline, box.width()) << text << down;
            EXPECT_EQ(outside, 0) << text << down;
        }
    }
}

// A click hands the whole text to the desktop, "mailto:" included; a bare
// "//" address goes out as https.
TEST(CURLButtonTest, AClickOpensTheFullText) {
    Opened opened;
    QDesktopServices::setUrlHandler("mailto", &opened, "Open");
    QDesktopServices::setUrlHandler("https", &opened, "Open");
    CURLButton link;
    link.resize(200, 24);
    link.show();
    for (const char* text : {"mailto:sav@quarn.example", "//www.quarn.example/aide"}) {
        link.setText(text);
        QTest::mouseClick(&link, Qt::LeftButton);
    }
    link.setFocus();
    QTest::keyClick(&link, Qt::Key_Space);  // a tab stop, pressed from the keyboard too
    QDesktopServices::unsetUrlHandler("mailto");
    QDesktopServices::unsetUrlHandler("https");
    EXPECT_EQ(opened.urls,
              (QList<QUrl>{QUrl("mailto:sav@quarn.example"), QUrl("https://www.quarn.example/aide"),
                           QUrl("https://www.quarn.example/aide")}));
}

#include "CURLButtonTest.moc"
