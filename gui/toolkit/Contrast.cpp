#include "gui/toolkit/Contrast.h"

#include <algorithm>
#include <cmath>

namespace {

double Luminance(const QColor& color) {
    const auto linear = [](double channel) {
        return channel <= 0.03928 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(color.redF()) + 0.7152 * linear(color.greenF()) +
           0.0722 * linear(color.blueF());
}

double LeastContrast(const QColor& color, std::initializer_list<QColor> grounds) {
    double least = 21;
    for (const QColor& ground : grounds) least = std::min(least, ContrastRatio(color, ground));
    return least;
}

QColor Mix(const QColor& from, const QColor& to, double share) {
    const auto channel = [share](float a, float b) { return a + (b - a) * share; };
    return QColor::fromRgbF(channel(from.redF(), to.redF()), channel(from.greenF(), to.greenF()),
                            channel(from.blueF(), to.blueF()));
}

}  // namespace

double ContrastRatio(const QColor& a, const QColor& b) {
    // Values, not std::minmax's references to the temporaries.
    const double first = Luminance(a), second = Luminance(b);
    return (std::max(first, second) + 0.05) / (std::min(first, second) + 0.05);
}

QColor Readable(const QColor& wanted, std::initializer_list<QColor> grounds) {
    if (LeastContrast(wanted, grounds) >= kReadableContrast) return wanted;
    const QColor white(Qt::white), black(Qt::black);
    const QColor towards =
        LeastContrast(white, grounds) >= LeastContrast(black, grounds) ? white : black;
    // The hue kept as long as it can be: the least move that reads, in
    // twentieths of the way.
    for (int step = 1; step < 20; ++step) {
        const QColor moved = Mix(wanted, towards, step / 20.0);
        if (LeastContrast(moved, grounds) >= kReadableContrast) return moved;
    }
    return towards;
}
