#include "report/result/HtmlReport.h"

#include <algorithm>

#include "engine/CDVXPrefs.h"
#include "engine/CDVXProgressData.h"
#include "platform/ResourceIds.h"
#include "report/TableText.h"
#include "report/result/HtmlText.h"
#include "report/result/SvgChart.h"

namespace {

// Black on white, on screen as on paper; the chart shrinks to the page.
constexpr const char* kStyle =
    R"(body{font-family:sans-serif;margin:2em auto;max-width:62em;color:#000;background:#fff}
table{border-collapse:collapse;margin:.5em 0}
th,td{border:1px solid #999;padding:.2em .6em;text-align:left;vertical-align:top}
td.n{text-align:right}
.verdict{font-size:1.3em;font-weight:bold;padding:.4em .6em;border:3px solid #2e7d32}
.verdict.failed{border-color:#c0392b}
.verdict.interrupted{border-color:#d35400}
section.failure{border-left:4px solid #c0392b;padding-left:.8em}
pre{white-space:pre-wrap;margin:0;font-size:.9em}
figure{margin:1em 0}
svg{width:100%;height:auto;max-width:800px;font-family:sans-serif;font-size:12px}
@media print{body{margin:0;max-width:none;font-size:10pt}svg{max-width:100%}figure,section.failure,tr{break-inside:avoid}}
)";

using Html = std::string;

Html E(const std::string& text) { return HtmlText::Escape(text); }
std::string T(unsigned id) { return TableText::Get(id); }
Html Heading(int level, const std::string& text) {
    const std::string h = "h" + std::to_string(level);
    return "<" + h + ">" + E(text) + "</" + h + ">\n";
}
Html Row(unsigned label, const Html& value) {
    return "<tr><th scope=\"row\">" + E(T(label)) + "</th><td>" + value + "</td></tr>\n";
}
Html Table(const Html& rows) { return "<table>\n" + rows + "</table>\n"; }
Html YesNo(bool v) { return E(T(v ? res::kHtmlYes : res::kHtmlNo)); }
Html Number(int64_t v) { return E(std::to_string(v)); }
Html Bytes(uint64_t n) {
    return E(TableText::Format(res::kHtmlByteCount, HtmlText::Grouped(n).c_str()));
}
Html Rate(uint64_t bytesPerSecond) {
    return E(TableText::Format(res::kHtmlRate, HtmlText::Grouped(bytesPerSecond).c_str(),
                               HtmlText::Decimal(bytesPerSecond / 1048576.0, 1).c_str()));
}
Html Duration(uint64_t ms) {
    return E(
        CDVXProgressData::FormatDuration(static_cast<uint32_t>(std::min<uint64_t>(ms, UINT32_MAX)))
            .ToUtf8());
}
Html List(const std::vector<std::string>& items) {
    if (items.empty()) return "<p>" + E(T(res::kHtmlNone)) + "</p>\n";
    Html list = "<ul>\n";
    for (const std::string& item : items) list += "<li>" + E(item) + "</li>\n";
    return list + "</ul>\n";
}
Html Verdict(const std::string& result, const std::string& sentence) {
    return "<p class=\"verdict " + E(result) + "\">" + E(sentence) + "</p>\n";
}

// MB/s in each point of a list of byte counts a point.
std::vector<std::pair<double, double>> Rates(const std::vector<uint64_t>& bytes,
                                             uint32_t intervalMs, double offsetS) {
    std::vector<std::pair<double, double>> points;
    const double seconds = intervalMs / 1000.0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        points.emplace_back(offsetS + (static_cast<double>(i) + 0.5) * seconds,
                            static_cast<double>(bytes[i]) / seconds / 1048576);
    }
    return points;
}

std::vector<uint64_t> ShareBytes(const ResultSeries& s) {
    std::vector<uint64_t> bytes(s.written.size());
    for (std::size_t i = 0; i < bytes.size() && i < s.read.size(); ++i)
        bytes[i] = s.written[i] + s.read[i];
    return bytes;
}

Html Figure(const SvgChart& chart, const std::string& title) {
    return "<figure>\n" + chart.Svg(title) + "</figure>\n";
}

// The share's line and every test's, the gaps in observation and the stop.
Html Course(const ResultDocument& d) {
    const ResultSeries& s = d.series;
    if (s.written.empty()) return "<p>" + E(T(res::kHtmlNoCourse)) + "</p>\n";
    SvgChart chart;
    chart.lines.push_back({T(res::kHtmlShareOnly), Rates(ShareBytes(s), s.intervalMs, 0)});
    if (s.total) chart.lines.push_back({T(res::kHtmlAllTests), Rates(*s.total, s.intervalMs, 0)});
    for (const ResultGap& g : s.gaps.value_or(std::vector<ResultGap>())) {
        chart.gaps.push_back({g.fromMs / 1000.0, (uint64_t{g.fromMs} + g.ms) / 1000.0});
    }
    if (s.stoppedMs) chart.stopS = *s.stoppedMs / 1000.0;
    return Figure(chart, T(res::kHtmlCourse));
}

Html Settings(const ResultSettings& s) {
    const auto optional = [](const auto& v) {
        return v ? Number(static_cast<int64_t>(*v)) : E(T(res::kHtmlUnknown));
    };
    return Table(Row(res::kHtmlDiskSpace, Number(s.diskSpaceMb)) +
                 Row(res::kHtmlSets, Number(s.simultaneousTests)) +
                 Row(res::kHtmlDuration, s.durationMinutes == CDVXPrefs::UntilStopped
                                             ? E(T(res::kHtmlUntilStopped))
                                             : Number(s.durationMinutes)) +
                 Row(res::kHtmlPriority, optional(s.threadPriority)) +
                 Row(res::kHtmlStopAfter, Number(s.stopAfterSeconds)) +
                 Row(res::kHtmlStallLimit, Number(s.stallSeconds)) +
                 Row(res::kHtmlModifyTests,
                     s.modifyTests ? YesNo(*s.modifyTests) : E(T(res::kHtmlUnknown))));
}

Html ByteTable(const ResultDocument& d) {
    const auto row = [](unsigned name, uint64_t w, uint64_t r, uint64_t rate) {
        return "<tr><th scope=\"row\">" + E(T(name)) + "</th><td class=\"n\">" + Bytes(w) +
               "</td><td class=\"n\">" + Bytes(r) + "</td><td class=\"n\">" + Rate(rate) +
               "</td></tr>\n";
    };
    return "<table>\n<tr><td></td><th scope=\"col\">" + E(T(res::kHtmlWritten)) +
           "</th><th scope=\"col\">" + E(T(res::kHtmlRead)) + "</th><th scope=\"col\">" +
           E(T(res::kHtmlThroughput)) + "</th></tr>\n" +
           row(res::kHtmlAllTests, d.bytesWritten, d.bytesRead, d.throughput) +
           row(res::kHtmlShareOnly, d.shareBytesWritten, d.shareBytesRead, d.shareThroughput) +
           "</table>\n";
}

Html Stalls(const ResultDocument& d) {
    const auto& gaps = d.series.gaps.value_or(std::vector<ResultGap>());
    uint32_t longestGap = 0;
    for (const ResultGap& g : gaps) longestGap = std::max(longestGap, g.ms);
    Html rows = Row(res::kHtmlLongestIdle, Duration(d.longestShareIdleMs)) +
                Row(res::kHtmlGaps, Number(static_cast<int64_t>(gaps.size()))) +
                Row(res::kHtmlLongestGap, Duration(longestGap));
    if (d.series.stoppedMs) rows += Row(res::kHtmlStop, Duration(*d.series.stoppedMs));
    if (!d.crossCheck)
        return Table(rows + Row(res::kHtmlCrossDirectory, E(T(res::kHtmlNoCrossCheck))));
    const ResultCrossCheck& c = *d.crossCheck;
    return Table(rows + Row(res::kHtmlCrossDirectory, E(c.directory)) +
                 Row(res::kHtmlPartner, E(c.partner.value_or(T(res::kHtmlUnknown)))) +
                 Row(res::kHtmlCrossRead, Bytes(c.bytesRead)) +
                 Row(res::kHtmlCrossWritten, Bytes(c.bytesWritten)));
}

Html Kept(int level, unsigned heading, const std::optional<ResultKept>& kept) {
    if (!kept) return "";
    return Heading(level, T(heading)) +
           Table(Row(res::kHtmlList, E(kept->list)) + Row(res::kHtmlKeptBy, E(kept->label)) +
                 Row(res::kHtmlKeptAt, E(kept->startedAt)) +
                 Row(res::kHtmlDeleted, YesNo(kept->deleted))) +
           List(kept->files);
}

// Every member of a failure the result gives, in the order of the file.
Html FailureSection(int level, std::size_t index, const ResultFailure& f) {
    Html rows;
    const auto text = [&rows](unsigned label, const std::optional<std::string>& v, bool pre) {
        if (v) rows += Row(label, pre ? "<pre>" + E(*v) + "</pre>" : E(*v));
    };
    const auto figure = [&rows](unsigned label, const auto& v) {
        if (v) rows += Row(label, Number(static_cast<int64_t>(*v)));
    };
    text(res::kHtmlTest, f.test, false);
    text(res::kHtmlDirectory, f.directory, false);
    text(res::kHtmlCategory, f.category, false);
    figure(res::kHtmlErrorKind, f.errorKind);
    text(res::kHtmlOperation, f.operation, false);
    figure(res::kHtmlWinerr, f.winerr);
    figure(res::kHtmlErrno, f.errnoValue);
    text(res::kHtmlErrnoName, f.errnoName, false);
    text(res::kHtmlMessage, f.message, false);
    figure(res::kHtmlPosition, f.position);
    text(res::kHtmlFile, f.file, false);
    figure(res::kHtmlStalled, f.stalledSeconds);
    text(res::kHtmlExpected, f.expected, true);
    text(res::kHtmlReadBytes, f.read, true);
    if (f.damage) {
        rows += Row(res::kHtmlDamage, E(f.damage->kind) + "<pre>" + E(f.damage->text) + "</pre>");
    }
    text(res::kHtmlLocalTime, f.localTime, false);
    text(res::kHtmlTestTime, f.testTime, false);
    figure(res::kHtmlTestTimeMs, f.testTimeMs);
    const std::string title = TableText::Format(res::kHtmlFailureTitle, index,
                                                f.test.value_or(f.category.value_or("")).c_str());
    Html report;
    for (const std::string& paragraph : f.report.value_or(std::vector<std::string>{}))
        report += "<p>" + E(paragraph) + "</p>\n";
    return "<section class=\"failure\">\n" + Heading(level, title) + report + Table(rows) +
           "</section>\n";
}

// What a run's result holds, its verdict apart, under headings of `level`.
Html Sections(const ResultDocument& d, int level) {
    Html html = "<p>" +
                E(TableText::Format(res::kHtmlResultLine, d.result.c_str(), d.ending.c_str())) +
                "</p>\n";
    html += Heading(level, T(res::kHtmlSettings)) + Settings(d.settings);
    html += Heading(level, T(res::kHtmlDirectory)) +
            Table(Row(res::kHtmlDirectory, E(d.directory)) +
                  Row(res::kHtmlTempDirectory, E(d.tempDirectory)) +
                  Row(res::kHtmlNetworkPath, YesNo(d.networkPath)) +
                  Row(res::kHtmlFileSystem, E(d.fileSystem)) +
                  Row(res::kHtmlMountSource, E(d.mountSource)) +
                  Row(res::kHtmlCachesWrites, YesNo(d.cachesWrites)) +
                  Row(res::kHtmlServerProven, YesNo(d.serverProven)));
    html += Heading(level, T(res::kHtmlClient)) +
            Table(Row(res::kHtmlHost, E(d.host)) + Row(res::kHtmlLabel, E(d.label)) +
                  Row(res::kHtmlVersion, E(d.version)) + Row(res::kHtmlStartedAt, E(d.startedAt)) +
                  Row(res::kHtmlElapsed, Duration(d.elapsedMs)));
    html += Heading(level, T(res::kHtmlBytes)) + ByteTable(d);
    html += Heading(level, T(res::kHtmlCourse)) + Course(d);
    html += Heading(level, T(res::kHtmlStalls)) + Stalls(d);
    html += Kept(level, res::kHtmlKept, d.kept) + Kept(level, res::kHtmlVerified, d.verified);
    html += Heading(level, T(res::kHtmlLeftFiles)) + List(d.leftFiles);
    html += Heading(level, T(res::kHtmlFailures));
    if (d.failures.empty()) html += "<p>" + E(T(res::kHtmlNoFailure)) + "</p>\n";
    for (std::size_t i = 0; i < d.failures.size(); ++i)
        html += FailureSection(level + 1, i + 1, d.failures[i]);
    return html;
}

Html Page(const std::string& title, const Html& body) {
    return "<!DOCTYPE html>\n<html lang=\"fr\">\n<head>\n<meta charset=\"utf-8\">\n<title>" +
           E(title) + "</title>\n<style>\n" + kStyle + "</style>\n</head>\n<body>\n" +
           Heading(1, title) + body + "</body>\n</html>\n";
}

}  // namespace

std::string HtmlReport::OfRun(const ResultDocument& d) {
    const std::string title = T(res::kHtmlRunTitle);
    Html verdict = Verdict(d.result, d.sentence.value_or(d.result));
    const std::string early = d.StoppedEarlyNote();
    if (!early.empty()) verdict += "<p>" + E(early) + "</p>\n";
    return Page(title, Heading(2, T(res::kHtmlVerdict)) + verdict + Sections(d, 2));
}

std::string HtmlReport::OfFleet(const Fleet& fleet) {
    int64_t firstMs = INT64_MAX;
    for (const Client& c : fleet.clients) {
        if (c.document) firstMs = std::min(firstMs, c.startMs);
    }
    SvgChart chart;
    for (const Client& c : fleet.clients) {
        if (!c.document) continue;
        const ResultSeries& s = c.document->series;
        chart.lines.push_back({c.label, Rates(ShareBytes(s), s.intervalMs,
                                              static_cast<double>(c.startMs - firstMs) / 1000)});
    }
    Html body = Heading(2, T(res::kHtmlVerdict)) + Verdict(fleet.result, fleet.sentence) + "<pre>" +
                E(fleet.text) + "</pre>\n";
    if (fleet.windowStartMs) {
        const double from = static_cast<double>(*fleet.windowStartMs - firstMs) / 1000;
        chart.window = SvgChart::Span{from, from + static_cast<double>(fleet.windowMs) / 1000};
        body += "<p>" +
                E(TableText::Format(res::kHtmlFleetWindow, Duration(fleet.windowMs).c_str())) +
                "</p>\n";
    } else {
        body += "<p>" + E(T(res::kHtmlNeverTogether)) + "</p>\n";
    }
    if (!chart.lines.empty())
        body += Heading(2, T(res::kHtmlCourse)) + Figure(chart, T(res::kHtmlCourse));
    body += Heading(2, T(res::kHtmlClients));
    for (const Client& c : fleet.clients) {
        body += "<section>\n" + Heading(3, c.label) + Verdict(c.result, c.sentence);
        if (!c.reasons.empty()) body += Heading(4, T(res::kHtmlReasons)) + List(c.reasons);
        body += c.document ? Sections(*c.document, 4) : "<p>" + E(T(res::kHtmlNoResult)) + "</p>\n";
        body += "</section>\n";
    }
    return Page(T(res::kHtmlFleetTitle), body);
}
