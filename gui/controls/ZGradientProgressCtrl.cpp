#include "gui/controls/ZGradientProgressCtrl.h"

#include <QEvent>
#include <QPainter>
#include <QPalette>
#include <algorithm>
#include <cmath>
#include <limits>
#include <string_view>

#include "gui/toolkit/Contrast.h"
#include "gui/toolkit/GuiText.h"
#include "platform/Clock.h"
#include "support/TimeText.h"

namespace {

// The underlying bar counts in hundredths of a per cent.
constexpr int kControlMaximum = 10000;

Chaine Number(int64_t value) {
    Chaine text;
    text.Format("%I64d", static_cast<long long>(value));
    return text;
}

Chaine Words(uint64_t milliseconds) {
    const uint64_t limit = std::numeric_limits<int32_t>::max();
    return FormatDurationWords(static_cast<int32_t>(std::min(milliseconds, limit)));
}

}  // namespace

ZGradientProgressCtrl::ZGradientProgressCtrl(QWidget* parent) : QProgressBar(parent) {
    // Every pixel is painted below; Qt's own double buffer keeps it flicker-free.
    setAttribute(Qt::WA_OpaquePaintEvent);
    LoadColors();
    SetRange(0, 100);
}

void ZGradientProgressCtrl::SetRange(int32_t a, int32_t b) {
    m_minimum = std::min(a, b);
    m_maximum = std::max(a, b);
    if (m_minimum == m_maximum) {
        // A range of one needs room above; at the top of int32 it goes below.
        if (m_maximum == std::numeric_limits<int32_t>::max()) {
            --m_minimum;
        } else {
            ++m_maximum;
        }
    }
    m_position = m_minimum;
    m_timingStart = int64_t{m_minimum} - 1;  // no run yet
    m_percentage = 0;
    m_elapsedMs = 0;
    m_remainingMs = 0;
    m_lastPushTime = 0;
    m_runStart = 0;
    setRange(0, kControlMaximum);
    setValue(0);
    update();
}

int32_t ZGradientProgressCtrl::SetPos(int32_t position) {
    position = std::clamp(position, m_minimum, m_maximum);
    const uint32_t now = Now();
    if (position == m_position && (m_lastPushTime == 0 || now - m_lastPushTime < kPushIntervalMs)) {
        if (m_lastPushTime == 0) m_lastPushTime = now;
        return position;
    }

    const int length = ClientLength();
    const int oldExtent = FilledExtent(length, m_percentage);
    if (m_timingStart >= m_minimum) {
        m_elapsedMs = now - m_runStart;
    } else {
        // First position of a run: the clock starts here.
        m_elapsedMs = 0;
        m_remainingMs = 0;
        m_runStart = now;
        m_position = m_minimum;
        m_timingStart = position;
    }
    if (m_elapsedMs != 0) {
        m_remainingMs =
            RemainingMs(m_maximum, m_position, static_cast<int32_t>(m_timingStart), m_elapsedMs);
    }

    m_position = position;
    const double span = static_cast<double>(m_maximum) - m_minimum;
    m_percentage =
        std::clamp((static_cast<double>(position) - m_minimum) * 100.0 / span, 0.0, 100.0);

    if (FilledExtent(length, m_percentage) == oldExtent) {
        if (m_lastPushTime == 0) {
            m_lastPushTime = now;
            return position;
        }
        if (now - m_lastPushTime < kPushIntervalMs) return position;
    }
    setValue(static_cast<int>(m_percentage * 100));
    update();  // the text may change even when the value does not
    m_lastPushTime = now;
    return position;
}

Chaine ZGradientProgressCtrl::GetDisplayText() const {
    TextValues values;
    values.percentage = m_percentage;
    values.elapsedMs = m_elapsedMs;
    values.remainingMs = m_remainingMs;
    values.position = m_position;
    values.minimum = m_minimum;
    values.maximum = m_maximum;
    return ExpandTemplate(m_textTemplate, values);
}

void ZGradientProgressCtrl::SetTextTemplate(const Chaine& textTemplate) {
    m_textTemplate = textTemplate;
    update();
}

void ZGradientProgressCtrl::SetShowText(bool show) {
    m_showText = show;
    update();
}

void ZGradientProgressCtrl::SetGradient(bool gradient) {
    m_gradient = gradient;
    LoadColors();
    update();
}

QRgb ZGradientProgressCtrl::GradientColumn(QRgb start, QRgb end, int i, int fullWidth) {
    if (fullWidth <= 0) return start;
    auto channel = [&](int (*part)(QRgb)) {
        const int64_t from = part(start);
        return static_cast<int>(from + (part(end) - from) * i / fullWidth);
    };
    return qRgb(channel(qRed), channel(qGreen), channel(qBlue));
}

int ZGradientProgressCtrl::FilledExtent(int width, double shownPercent) {
    if (width <= 0) return 0;
    return static_cast<int>(std::floor(width * shownPercent * 0.01));
}

uint32_t ZGradientProgressCtrl::RemainingMs(int32_t maximum, int32_t position, int32_t timingStart,
                                            uint32_t elapsedMs) {
    if (position <= timingStart) return 0;
    const int64_t left = int64_t{maximum} - position;
    if (left <= 0) return 0;
    const int64_t done = int64_t{position} - timingStart;
    // Both factors fit in 32 bits, so the product fits in 64.
    const int64_t estimate = left * elapsedMs / done;
    return static_cast<uint32_t>(std::min<int64_t>(estimate, std::numeric_limits<uint32_t>::max()));
}

Chaine ZGradientProgressCtrl::ExpandTemplate(const Chaine& textTemplate, const TextValues& values) {
    Chaine text = textTemplate;
    // Only placeholders present are worked out: the words cost a lookup each.
    auto replace = [&text](const char* placeholder, auto makeValue) {
        if (text.View().find(placeholder) != std::string_view::npos) {
            text.ReplaceAll(placeholder, makeValue(), false);
        }
    };
    replace("%pc", [&] { return Number(static_cast<int64_t>(values.percentage)); });
    replace("%te", [&] { return Words(values.elapsedMs); });
    replace("%tr", [&] { return Words(values.remainingMs); });
    replace("%tt", [&] { return Words(uint64_t{values.elapsedMs} + values.remainingMs); });
    replace("%ee", [&] { return Number(values.position); });
    replace("%er",
            [&] { return Number(int64_t{values.maximum} - values.position - values.minimum); });
    replace("%et", [&] { return Number(int64_t{values.maximum} - values.minimum); });
    return text;
}

uint32_t ZGradientProgressCtrl::Now() const { return platform::Clock::GetTickCount(); }

void ZGradientProgressCtrl::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Active, QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));

    const QRect client = ClientArea();
    if (m_position < m_minimum || m_position > m_maximum) {
        painter.fillRect(client, m_backgroundColor);
        return;
    }

    // Column i always has the colour it would have in a full bar, so the
    // filled part shows the start of the whole gradient.
    const bool vertical = orientation() == Qt::Vertical;
    const int full = vertical ? client.height() : client.width();
    const int extent = FilledExtent(full, m_percentage);
    const QRgb start = m_startColor.rgb();
    const QRgb end = m_endColor.rgb();
    for (int i = 0; i < extent; ++i) {
        const QColor color = QColor::fromRgb(GradientColumn(start, end, i, full));
        if (vertical) {
            painter.fillRect(client.left(), client.bottom() - i, client.width(), 1, color);
        } else {
            painter.fillRect(client.left() + i, client.top(), 1, client.height(), color);
        }
    }
    QRect filled = client, rest = client;
    if (vertical) {
        filled.setTop(client.bottom() - extent + 1);
        rest.setBottom(client.bottom() - extent);
    } else {
        filled.setRight(client.left() + extent - 1);
        rest.setLeft(client.left() + extent);
    }
    painter.fillRect(rest, m_backgroundColor);

    if (m_showText && m_maximum != 0) {
        const Chaine text = GetDisplayText();
        if (!text.IsEmpty()) {
            // Each part of the text in the colour that reads on the part it crosses.
            for (const auto& [part, color] :
                 {std::pair{filled, m_textColor}, {rest, m_restTextColor}}) {
                painter.setClipRect(part);
                painter.setPen(color);
                painter.drawText(client, Qt::AlignCenter | Qt::TextSingleLine, ToQString(text));
            }
        }
    }
}

void ZGradientProgressCtrl::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) {
        LoadColors();
        update();
    }
    QProgressBar::changeEvent(event);
}

void ZGradientProgressCtrl::LoadColors() {
    // The active group: the bar keeps its colours when the window loses focus.
    const QPalette& colors = palette();
    const QColor highlight = colors.color(QPalette::Active, QPalette::Highlight);
    m_startColor = highlight;
    m_endColor = m_gradient ? highlight.lighter(150) : highlight;
    m_backgroundColor = colors.color(QPalette::Active, QPalette::Button);
    m_textColor = Readable(colors.color(QPalette::Active, QPalette::HighlightedText),
                           {m_startColor, m_endColor});
    m_restTextColor =
        Readable(colors.color(QPalette::Active, QPalette::ButtonText), {m_backgroundColor});
}

QRect ZGradientProgressCtrl::ClientArea() const {
    // Inside the one-pixel border.
    return rect().adjusted(1, 1, -1, -1);
}

int ZGradientProgressCtrl::ClientLength() const {
    const QRect client = ClientArea();
    return std::max(0, orientation() == Qt::Vertical ? client.height() : client.width());
}
