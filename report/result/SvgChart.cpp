#include "report/result/SvgChart.h"

#include <algorithm>
#include <cmath>

#include "platform/ResourceIds.h"
#include "report/TableText.h"
#include "report/result/HtmlText.h"

namespace {

// The drawing's frame, in its own units: the plot and the margins that
// hold the ticks, the axes' labels and the legend below.
constexpr double kWidth = 800, kLeft = 70, kRight = 20, kTop = 20, kPlotHeight = 240;
constexpr double kPlotWidth = kWidth - kLeft - kRight;
constexpr double kLegendTop = kTop + kPlotHeight + 55, kLegendRow = 20;
constexpr std::size_t kLegendColumns = 4;
// Colours and dashes that tell lines apart on paper in black and white too.
constexpr const char* kColours[] = {"#1f5fa8", "#c0392b", "#2e7d32",
                                    "#8e44ad", "#d35400", "#444444"};
constexpr const char* kDashes[] = {"", "8 4", "2 3", "10 3 2 3"};

// A step of 1, 2 or 5 times a power of ten that cuts `top` in at most six.
double Step(double top) {
    const double magnitude = std::pow(10.0, std::floor(std::log10(top / 6)));
    for (double m : {1.0, 2.0, 5.0, 10.0}) {
        if (top / (m * magnitude) <= 6) return m * magnitude;
    }
    return 10 * magnitude;
}

std::string N(double v) { return HtmlText::Decimal(v, 1, false); }

std::string Attr(const char* name, const std::string& value) {
    return std::string(" ") + name + "=\"" + value + "\"";
}

// A tick's value as a person reads it: as few decimals as the step needs.
std::string TickText(double v, double step) {
    if (step >= 1) return HtmlText::Grouped(static_cast<uint64_t>(std::llround(v)));
    return HtmlText::Decimal(v, static_cast<int>(std::ceil(-std::log10(step) - 1e-9)));
}

}  // namespace

std::string SvgChart::Svg(const std::string& title) const {
    double maxX = 1, maxY = 0;
    for (const Line& line : lines) {
        for (const auto& [x, y] : line.points) maxX = std::max(maxX, x), maxY = std::max(maxY, y);
    }
    for (const Span& g : gaps) maxX = std::max(maxX, g.toS);
    if (stopS) maxX = std::max(maxX, *stopS);
    const double stepX = Step(maxX), stepY = Step(maxY > 0 ? maxY : 1);
    const double topX = std::ceil(maxX / stepX) * stepX,
                 topY = std::ceil((maxY > 0 ? maxY : 1) / stepY) * stepY;
    const auto px = [&](double x) { return kLeft + std::clamp(x / topX, 0.0, 1.0) * kPlotWidth; };
    const auto py = [&](double y) {
        return kTop + (1 - std::clamp(y / topY, 0.0, 1.0)) * kPlotHeight;
    };

    struct Key {
        std::string mark, name;
    };
    std::vector<Key> keys;
    std::string body;
    const auto band = [&](const Span& s, const char* fill) {
        body += "<rect" + Attr("x", N(px(s.fromS))) + Attr("y", N(kTop)) +
                Attr("width", N(std::max(px(s.toS) - px(s.fromS), 1.0))) +
                Attr("height", N(kPlotHeight)) + Attr("fill", fill) + "/>\n";
    };
    if (window) {
        band(*window, "#dde8f5");
        keys.push_back({"<rect width=\"18\" height=\"10\" y=\"-9\" fill=\"#dde8f5\"/>",
                        TableText::Get(res::kHtmlWindow)});
    }
    for (const Span& g : gaps) band(g, "#e3e3e3");
    if (!gaps.empty()) {
        keys.push_back({"<rect width=\"18\" height=\"10\" y=\"-9\" fill=\"#e3e3e3\"/>",
                        TableText::Get(res::kHtmlGap)});
    }
    for (double v = 0; v <= topY + stepY / 2; v += stepY) {
        body += "<line" + Attr("x1", N(kLeft)) + Attr("x2", N(kLeft + kPlotWidth)) +
                Attr("y1", N(py(v))) + Attr("y2", N(py(v))) + " stroke=\"#cccccc\"/>\n";
        body += "<text" + Attr("x", N(kLeft - 6)) + Attr("y", N(py(v) + 4)) +
                " text-anchor=\"end\">" + TickText(v, stepY) + "</text>\n";
    }
    for (double v = 0; v <= topX + stepX / 2; v += stepX) {
        body += "<line" + Attr("x1", N(px(v))) + Attr("x2", N(px(v))) +
                Attr("y1", N(kTop + kPlotHeight)) + Attr("y2", N(kTop + kPlotHeight + 5)) +
                " stroke=\"#000000\"/>\n";
        body += "<text" + Attr("x", N(px(v))) + Attr("y", N(kTop + kPlotHeight + 18)) +
                " text-anchor=\"middle\">" + TickText(v, stepX) + "</text>\n";
    }
    body += "<polyline fill=\"none\" stroke=\"#000000\" points=\"" + N(kLeft) + "," + N(kTop) +
            " " + N(kLeft) + "," + N(kTop + kPlotHeight) + " " + N(kLeft + kPlotWidth) + "," +
            N(kTop + kPlotHeight) + "\"/>\n";
    if (stopS) {
        body += "<line" + Attr("x1", N(px(*stopS))) + Attr("x2", N(px(*stopS))) +
                Attr("y1", N(kTop)) + Attr("y2", N(kTop + kPlotHeight)) +
                " stroke=\"#000000\" stroke-dasharray=\"3 3\"/>\n";
        keys.push_back(
            {"<line x2=\"18\" y1=\"-4\" y2=\"-4\" stroke=\"#000000\" "
             "stroke-dasharray=\"3 3\"/>",
             TableText::Get(res::kHtmlStop)});
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string colour = kColours[i % std::size(kColours)],
                          dash = kDashes[i % std::size(kDashes)];
        const std::string style = Attr("stroke", colour) + " stroke-width=\"2\"" +
                                  (dash.empty() ? "" : Attr("stroke-dasharray", dash));
        std::string points;
        for (const auto& [x, y] : lines[i].points) {
            points += (points.empty() ? "" : " ") + N(px(x)) + "," + N(py(y));
        }
        body +=
            "<polyline class=\"series\" fill=\"none\"" + style + Attr("points", points) + "/>\n";
        keys.push_back({"<line x2=\"18\" y1=\"-4\" y2=\"-4\"" + style + "/>", lines[i].name});
    }
    body += "<text" + Attr("x", N(kLeft + kPlotWidth / 2)) + Attr("y", N(kTop + kPlotHeight + 36)) +
            " text-anchor=\"middle\">" + HtmlText::Escape(TableText::Get(res::kHtmlTimeAxis)) +
            "</text>\n";
    body += "<text x=\"16\"" + Attr("y", N(kTop + kPlotHeight / 2)) +
            " text-anchor=\"middle\" transform=\"rotate(-90 16 " + N(kTop + kPlotHeight / 2) +
            ")\">" + HtmlText::Escape(TableText::Get(res::kHtmlRateAxis)) + "</text>\n";
    const double columnWidth = kPlotWidth / kLegendColumns;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const double x = kLeft + static_cast<double>(i % kLegendColumns) * columnWidth,
                     y = kLegendTop + static_cast<double>(i / kLegendColumns) * kLegendRow;
        body += "<g transform=\"translate(" + N(x) + " " + N(y) + ")\">" + keys[i].mark +
                "<text x=\"24\">" + HtmlText::Escape(keys[i].name) + "</text></g>\n";
    }
    const std::size_t rows = (keys.size() + kLegendColumns - 1) / kLegendColumns;
    const double height = kLegendTop + static_cast<double>(rows) * kLegendRow;
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " + N(kWidth) + " " +
           N(height) + "\" role=\"img\">\n<title>" + HtmlText::Escape(title) + "</title>\n" + body +
           "</svg>\n";
}
