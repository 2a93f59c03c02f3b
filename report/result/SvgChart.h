#pragma once
#include <optional>
#include <string>
#include <utility>
#include <vector>

// A chart of throughput over time as inline SVG, for the HTML report: one
// polyline a line, a point for each of its (seconds, MB/s) pairs, axes with
// their labels, stretches shaded (gaps in observation, or the window in
// which all clients ran) and the moment the tests were asked to stop. It
// needs no style sheet and no script. Any thread.
class SvgChart {
public:
    struct Line {
        std::string name;  // UTF-8, for the legend
        std::vector<std::pair<double, double>> points;
    };
    struct Span {
        double fromS = 0;
        double toS = 0;
    };

    std::vector<Line> lines;
    std::vector<Span> gaps;       // nobody looked at the share
    std::optional<Span> window;   // every client ran
    std::optional<double> stopS;  // the tests were asked to stop

    // The <svg> element, described by `title`.
    std::string Svg(const std::string& title) const;
};
