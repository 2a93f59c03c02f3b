#include "gui/controls/ZGradientProgressCtrl.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPalette>
#include <QPixmap>
#include <tuple>
#include <vector>

#include "tests/Fields.h"

namespace {

template <class... Columns>
using Table = std::initializer_list<std::tuple<Columns...>>;
using Bar = ZGradientProgressCtrl;

// A bar whose clock the test sets, 200 pixels wide inside its border.
struct ClockedBar : ZGradientProgressCtrl {
    ClockedBar() { resize(202, 20); }
    uint32_t Now() const override { return now; }
    uint32_t now = 1000;
};

QRgb Pixel(Bar& bar, int x, int y) { return bar.grab().toImage().pixel(x, y); }

TEST(ZGradientProgressCtrl, SetRangeOrdersTheEndsAndSetPosClamps) {
    for (const auto& [a, b, minimum, maximum] : Table<int32_t, int32_t, int32_t, int32_t>{
             {10, 10, 10, 11}, {50, 0, 0, 50}, {-5, 7, -5, 7}}) {
        ClockedBar bar;
        bar.SetPos(3);
        bar.SetRange(a, b);
        // The bar's own range never reaches Qt's, which stays 0 to 10000.
        EXPECT_TRUE(Fields()
                        .Is("minimum", bar.GetMinimum(), minimum)
                        .Is("maximum", bar.GetMaximum(), maximum)
                        .Is("position", bar.GetPos(), minimum)
                        .Is("Qt value", bar.value(), 0)
                        .Is("Qt maximum", bar.maximum(), 10000))
            << a << ", " << b;
    }
    ClockedBar bar;
    for (const auto& [position, expected, value] :
         Table<int32_t, int32_t, int>{{-5, 0, 0}, {150, 100, 10000}, {42, 42, 4200}}) {
        EXPECT_TRUE(Fields()
                        .Is("returned", bar.SetPos(position), expected)
                        .Is("position", bar.GetPos(), expected)
                        .Is("Qt value", bar.value(), value))
            << position;
    }
}

TEST(ZGradientProgressCtrl, PushesOnAPixelOrAfter501Ticks) {
    ClockedBar bar;
    bar.SetRange(0, 1000);  // one pixel is 5 units
    for (const auto& [now, position, lastPush, value] : Table<uint32_t, int32_t, uint32_t, int>{
             {1000, 0, 1000, 0},      // nothing to push yet: the time is noted
             {1100, 2, 1000, 0},      // less than a pixel
             {1200, 5, 1200, 50},     // one pixel: at once
             {1700, 5, 1200, 50},     // same position within 501 ticks
             {1701, 5, 1701, 50},     // same position, 501 ticks on
             {2300, 6, 2300, 60}}) {  // less than a pixel, 501 ticks on
        bar.now = now;
        bar.SetPos(position);
        EXPECT_EQ(std::pair(bar.GetLastPushTime(), bar.value()), std::pair(lastPush, value))
            << "at " << now;
    }
}

// The estimate of the time left; what a painted bar does not show of the
// gradient (a channel that falls, an empty bar); the placeholders, which
// are case-sensitive.
TEST(ZGradientProgressCtrl, EstimatesFillsAndReplacesThePlaceholders) {
    const auto left = &Bar::RemainingMs;
    EXPECT_EQ(std::vector({left(1000, 300, 100, 2000), left(1000, 100, 100, 500),
                           left(1000, 1000, 0, 5000), left(INT32_MAX, 1, 0, 4000000000u)}),
              std::vector({7000u, 0u, 0u, UINT32_MAX}));
    const QRgb a = qRgb(0, 0, 0), b = qRgb(200, 100, 50);
    EXPECT_EQ(std::tuple(Bar::GradientColumn(b, a, 1, 3), Bar::GradientColumn(b, a, 5, 0)),
              std::tuple(qRgb(134, 67, 34), b));
    EXPECT_EQ(std::vector({Bar::FilledExtent(199, 50), Bar::FilledExtent(200, 0),
                           Bar::FilledExtent(200, 100), Bar::FilledExtent(0, 50)}),
              std::vector({99, 0, 200, 0}));
    const Bar::TextValues values{42.9, 65000, 5000, 30, 10, 110};
    EXPECT_EQ(Bar::ExpandTemplate("%pc %|%ee/%et-%er|%te|%tr|%tt|%PC %Ee", values),
              Chaine("42 %|30/100-70|1 minute 5 secondes|5 secondes|1 minute 10 secondes|%PC %Ee"));
}

// Half filled, from the highlight towards it 50 % lighter as in a full bar
// (column 99 of 200), or flat; the rest in the button colour. The colours
// follow each change of the palette. The text shows only when asked for and
// its template is not empty.
TEST(ZGradientProgressCtrl, PaintsTheGradientOrOneFlatColourFromThePaletteAndTheText) {
    const QRgb button = qRgb(10, 20, 30), highlight = qRgb(0, 90, 40);
    ClockedBar bar;
    bar.SetShowText(false);
    bar.SetPos(50);
    QPalette palette;
    palette.setColor(QPalette::Button, button);
    palette.setColor(QPalette::HighlightedText, Qt::white);
    for (const auto& [gradient, column99] :
         Table<bool, QRgb>{{true, qRgb(0, 112, 49)}, {false, highlight}}) {
        bar.SetGradient(gradient);
        palette.setColor(QPalette::Highlight, highlight);
        bar.setPalette(palette);
        EXPECT_TRUE(Fields()
                        .Is("column 0", Pixel(bar, 1, 6), highlight)
                        .Is("column 99", Pixel(bar, 1 + 99, 6), column99)
                        .Is("column 100", Pixel(bar, 1 + 100, 6), button))
            << (gradient ? "gradient" : "flat");
    }
    EXPECT_EQ(bar.GetTextColor(), QColor(Qt::white));
    const QImage plain = bar.grab().toImage();
    for (const auto& [textTemplate, show, drawn] : Table<const char*, bool, bool>{
             {"", true, false}, {"%pc %", true, true}, {"%pc %", false, false}}) {
        bar.SetTextTemplate(textTemplate);
        bar.SetShowText(show);
        EXPECT_EQ(bar.grab().toImage() != plain, drawn) << '"' << textTemplate << '"';
    }
    bar.setOrientation(Qt::Vertical);
    bar.resize(20, 202);
    EXPECT_EQ(std::pair(Pixel(bar, 6, 200), Pixel(bar, 6, 1)), std::pair(highlight, button))
        << "filled from the bottom";
}

}  // namespace
