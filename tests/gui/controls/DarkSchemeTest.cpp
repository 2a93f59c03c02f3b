// What the controls paint stays readable in a dark colour scheme: the
// contrast between the painted text and the ground under it, measured on the
// pixels, reaches what small text needs.
#include <gtest/gtest.h>

#include <QImage>
#include <QTextEdit>
#include <functional>

#include "gui/controls/CURLButton.h"
#include "gui/controls/ZGradientProgressCtrl.h"
#include "gui/toolkit/Contrast.h"
#include "gui/toolkit/DarkScheme.h"
#include "gui/toolkit/SetRichEditRtf.h"

namespace {

// The highest contrast of a pixel of `area` with the ground beneath it, read
// in the same column on row `groundRow`: the solid middle of the text's strokes.
double TextContrast(const QImage& image, const QRect& area, int groundRow) {
    double most = 1;
    for (int x = area.left(); x <= area.right(); ++x) {
        const QColor ground = image.pixelColor(x, groundRow);
        for (int y = area.top(); y <= area.bottom(); ++y)
            most = std::max(most, ContrastRatio(image.pixelColor(x, y), ground));
    }
    return most;
}

double Link(bool down) {
    CURLButton link;
    link.setPalette(DarkPalette());
    link.setText(QStringLiteral("//quarn.example"));
    link.resize(200, 24);
    link.setDown(down);
    return TextContrast(link.grab().toImage(), QRect(0, 1, 200, 22), 0);
}

// The bar half filled, with its percentage across both halves.
double BarText(bool filledHalf) {
    ZGradientProgressCtrl bar;
    bar.setPalette(DarkPalette());
    bar.resize(100, 24);
    bar.SetRange(0, 100);
    bar.SetPos(50);
    bar.SetTextTemplate("%pc %");
    bar.SetShowText(true);
    const QRect half = filledHalf ? QRect(2, 2, 47, 20) : QRect(51, 2, 47, 20);
    return TextContrast(bar.grab().toImage(), half, 1);
}

double Report() {
    QTextEdit view;
    view.setPalette(DarkPalette());
    view.resize(300, 80);
    SetRichEditRtf(&view, Chaine(R"({\rtf1{\colortbl;\red128\green0\blue0;}\cf1 Erreur\par )"
                                 R"(\cf0 Dalvex a tent\'e9 de cr\'e9er un fichier.\par})"));
    const QImage page = view.viewport()->grab().toImage();
    return TextContrast(page, page.rect().adjusted(0, 1, 0, 0), 0);
}

}  // namespace

TEST(DarkSchemeTest, TextReadsOnItsGround) {
    const std::pair<const char*, std::function<double()>> painted[] = {
        {"link", [] { return Link(false); }},
        {"link pressed", [] { return Link(true); }},
        {"bar text on the filled part", [] { return BarText(true); }},
        {"bar text on the rest", [] { return BarText(false); }},
        {"report", Report},
    };
    for (const auto& [name, contrast] : painted) EXPECT_GE(contrast(), kReadableContrast) << name;
}
