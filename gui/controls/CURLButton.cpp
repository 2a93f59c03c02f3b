#include "gui/controls/CURLButton.h"

#include <QDesktopServices>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <algorithm>

#include "gui/toolkit/Contrast.h"

namespace {

constexpr int kInset = 5;       // pixels between the text and either side
constexpr int kFocusSpace = 2;  // pixels between the text and the focus rectangle

}  // namespace

CURLButton::CURLButton(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    connect(this, &QAbstractButton::clicked, this,
            [this] { QDesktopServices::openUrl(Target(text())); });
}

QString CURLButton::ShownText(const QString& text) {
    QString shown = text;
    if (shown.startsWith(QLatin1String("mailto:"))) shown.remove(0, 7);
    if (shown.startsWith(QLatin1String("//"))) shown.remove(0, 2);
    return shown;
}

QUrl CURLButton::Target(const QString& text) {
    return QUrl(text.startsWith(QLatin1String("//")) ? QStringLiteral("https:") + text : text);
}

QRect CURLButton::TextBox(const QRect& item, const QSize& text) {
    const int width = std::clamp(text.width(), 0, std::max(item.width() - 2 * kInset, 0));
    const int top = item.top() + (item.height() - text.height()) / 2 - 1;
    return QRect(item.left() + kInset, top, width, text.height());
}

QString CURLButton::FittedText(const QString& shown, const QFontMetrics& metrics, int itemWidth) {
    return metrics.elidedText(shown, Qt::ElideRight, std::max(itemWidth - 2 * kInset, 0));
}

QSize CURLButton::sizeHint() const {
    const QFontMetrics metrics = fontMetrics();
    return QSize(metrics.horizontalAdvance(ShownText(text())) + 2 * kInset, metrics.height() + 2);
}

void CURLButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    const QFontMetrics metrics = fontMetrics();
    const QString shown = FittedText(ShownText(text()), metrics, width());
    const QRect box = TextBox(rect(), QSize(metrics.horizontalAdvance(shown), metrics.height()));
    const QPalette& colors = palette();
    const QColor ground = colors.color(QPalette::Window);
    // A dark scheme: its text is lighter than its ground.
    const bool dark = colors.color(QPalette::WindowText).lightness() > ground.lightness();
    const QColor color =
        dark ? Readable(colors.color(isDown() ? QPalette::LinkVisited : QPalette::Link), {ground})
             : QColor::fromRgb(isDown() ? kPressedColor : kColor);
    painter.setPen(color);
    painter.drawText(box.adjusted(0, 0, kInset, 0),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    // The underline runs along the box's last row of pixels.
    painter.fillRect(box.left(), box.top() + box.height() - 1, box.width(), 1, color);
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = box.adjusted(-kFocusSpace, -kFocusSpace, kFocusSpace, kFocusSpace);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
    }
}
