#include "gui/toolkit/DialogUnits.h"

#include <QCheckBox>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QWidget>
#include <algorithm>
#include <cmath>

DialogUnits::DialogUnits(const QFont& font) {
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    m_charWidth = QFontMetricsF(font).horizontalAdvance(letters) / 52.0;
    // Whole pixels, so that 8 units are exactly one line of text.
    m_lineHeight = QFontMetrics(font).height();
}

int DialogUnits::MapX(int units) const {
    return static_cast<int>(std::lround(units * m_charWidth / 4.0));
}

int DialogUnits::MapY(int units) const {
    return static_cast<int>(std::lround(units * m_lineHeight / 8.0));
}

QRect DialogUnits::Map(const QRect& units) const {
    // Edges are mapped, not sizes, so that neighbours stay flush after rounding.
    const int left = MapX(units.x());
    const int top = MapY(units.y());
    return QRect(left, top, MapX(units.x() + units.width()) - left,
                 MapY(units.y() + units.height()) - top);
}

void DialogUnits::FitTexts(const QWidget* window) {
    for (const QWidget* child : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const auto* label = qobject_cast<const QLabel*>(child);
        const bool isLabel = label && !label->text().isEmpty();
        const bool isChoice =
            qobject_cast<const QCheckBox*>(child) || qobject_cast<const QRadioButton*>(child);
        const int units = child->width();
        if ((!isLabel && !isChoice) || units <= 0) continue;
        int needed = child->sizeHint().width();
        if (isLabel && label->wordWrap()) {
            // The narrowest width at which the wrapped text is no taller than its room.
            const int room = MapY(child->y() + child->height()) - MapY(child->y());
            int low = 1, high = 4096;
            while (low < high) {
                const int mid = (low + high) / 2;
                if (label->heightForWidth(mid) <= room) {
                    high = mid;
                } else {
                    low = mid + 1;
                }
            }
            needed = low;
        }
        // One pixel more: the edges of a rectangle are rounded one by one.
        m_charWidth = std::max(m_charWidth, 4.0 * (needed + 1) / units);
    }
}

// The layouts draw a group box's frame line through the middle of its title,
// with the contents below it. A style that puts the title above the line
// draws the line lower, onto the contents: the box is raised until the area
// the style keeps clear of its title and frame ends 2 units above the first
// control inside it. `siblings` are in pixels already.
void DialogUnits::ClearTitle(QGroupBox* box, const QList<QWidget*>& siblings) const {
    if (box->title().isEmpty()) return;
    const QRect area = box->geometry();
    int first = area.bottom();
    for (const QWidget* sibling : siblings) {
        if (sibling != box && area.contains(sibling->geometry()))
            first = std::min(first, sibling->y());
    }
    QStyleOptionGroupBox option;
    option.initFrom(box);
    option.text = box->title();
    option.lineWidth = 1;
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    const QRect contents = box->style()->subControlRect(QStyle::CC_GroupBox, &option,
                                                        QStyle::SC_GroupBoxContents, box);
    const int raise = area.top() + contents.top() + MapY(2) - first;
    if (raise > 0) box->setGeometry(area.adjusted(0, -raise, 0, 0));
}

void DialogUnits::Apply(QWidget* window) const {
    const QList<QWidget*> children = window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* child : children) child->setGeometry(Map(child->geometry()));
    for (QWidget* child : children) {
        if (auto* box = qobject_cast<QGroupBox*>(child)) ClearTitle(box, children);
    }
    window->setFixedSize(Map(QRect(QPoint(0, 0), window->size())).size());
}

void DialogUnits::Scale(QWidget* window) { Scale(QList<QWidget*>{window}); }

void DialogUnits::Scale(const QList<QWidget*>& windows) {
    if (windows.isEmpty()) return;
    DialogUnits units(windows.first()->font());
    for (const QWidget* window : windows) units.FitTexts(window);
    for (QWidget* window : windows) units.Apply(window);
}

QFont DialogUnits::HeadingFont(const QFont& dialogFont) {
    QFont font(dialogFont);
    font.setBold(true);
    return font;
}

QFont DialogUnits::BannerFont() { return QFont(QStringLiteral("Arial"), 12, QFont::Bold); }
