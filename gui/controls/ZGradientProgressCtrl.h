#pragma once
#include <QColor>
#include <QProgressBar>
#include <QRect>
#include <cstdint>

#include "support/Chaine.h"

class QEvent;
class QPaintEvent;

// A progress bar the program draws itself: the filled part is a gradient of the
// highlight colour, an optional text (percentage, times, units) is centred over
// it, and the time since the run started gives an estimate of the time left.
//
// The bar keeps its own range and position; the QProgressBar underneath only
// ever holds 0-10000 and is updated when the filled part changes by a pixel or
// every 501 ms, so that frequent positions do not repaint the window each time.
//
// Threads: user-interface thread only, like any widget.
class ZGradientProgressCtrl : public QProgressBar {
    Q_OBJECT

public:
    // What the text placeholders are made of.
    struct TextValues {
        double percentage = 0;
        uint32_t elapsedMs = 0;
        uint32_t remainingMs = 0;
        int32_t position = 0;
        int32_t minimum = 0;
        int32_t maximum = 0;
    };

    // Milliseconds between two updates of the underlying bar at the same extent.
    static constexpr uint32_t kPushIntervalMs = 501;

    explicit ZGradientProgressCtrl(QWidget* parent = nullptr);

    // The smaller value becomes the minimum; equal values give a range of one.
    // Starts over: position at the minimum, no run, no timing.
    void SetRange(int32_t a, int32_t b);
    // Returns the position after clamping into the range.
    int32_t SetPos(int32_t position);
    // The template with its placeholders replaced (see ExpandTemplate).
    virtual Chaine GetDisplayText() const;

    void SetTextTemplate(const Chaine& textTemplate);
    void SetShowText(bool show);
    // Off: the filled part is one flat colour.
    void SetGradient(bool gradient);

    int32_t GetMinimum() const { return m_minimum; }
    int32_t GetMaximum() const { return m_maximum; }
    int32_t GetPos() const { return m_position; }
    // Tick of the last update of the underlying bar; 0 before any.
    uint32_t GetLastPushTime() const { return m_lastPushTime; }
    QColor GetStartColor() const { return m_startColor; }
    QColor GetEndColor() const { return m_endColor; }
    // The text's colour over the filled part.
    QColor GetTextColor() const { return m_textColor; }

    // Colour of column i of a gradient spread over fullWidth columns, channel by
    // channel, truncated.
    static QRgb GradientColumn(QRgb start, QRgb end, int i, int fullWidth);
    // Pixels filled out of width at shownPercent (0-100), rounded down.
    static int FilledExtent(int width, double shownPercent);
    // Time left if the units since timingStart kept their pace; 0 when none passed.
    static uint32_t RemainingMs(int32_t maximum, int32_t position, int32_t timingStart,
                                uint32_t elapsedMs);
    // Replaces, case-sensitively: %pc percentage (truncated), %te elapsed, %tr
    // remaining, %tt elapsed plus remaining (in words), %ee position, %er maximum
    // minus position minus minimum, %et maximum minus minimum.
    static Chaine ExpandTemplate(const Chaine& textTemplate, const TextValues& values);

protected:
    // Milliseconds of a wrapping clock; tests replace it.
    virtual uint32_t Now() const;

    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void LoadColors();
    // The area inside the border.
    QRect ClientArea() const;
    // Pixels along the bar's direction: width, or height when vertical.
    int ClientLength() const;

    int32_t m_minimum = 0;
    int32_t m_maximum = 1;
    // Position where the run started; below the minimum until one starts
    // (64 bits, so that a minimum of INT32_MIN still leaves room below).
    int64_t m_timingStart = -1;
    int32_t m_position = 0;
    QColor m_startColor;
    QColor m_endColor;
    QColor m_backgroundColor;
    QColor m_textColor;
    QColor m_restTextColor;  // over the part not filled
    uint32_t m_elapsedMs = 0;
    uint32_t m_remainingMs = 0;
    uint32_t m_lastPushTime = 0;
    double m_percentage = 0;
    uint32_t m_runStart = 0;
    Chaine m_textTemplate = "%pc %";
    bool m_showText = true;
    bool m_gradient = true;
};
