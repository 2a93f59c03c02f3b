#include "gui/toolkit/ElidedPaths.h"

#include <QLabel>
#include <algorithm>

namespace {

// Whether `text` fits `label` as the label lays it out; a word wider than
// the label runs past its edge rather than wrap, so the width counts too.
bool Fits(const QLabel* label, const QString& text) {
    const QRect room = label->contentsRect();
    const int flags = static_cast<int>(label->alignment()) |
                      (label->wordWrap() ? Qt::TextWordWrap : Qt::TextSingleLine);
    const QRect needed = label->fontMetrics().boundingRect(room, flags, text);
    return needed.width() <= room.width() && needed.height() <= room.height();
}

}  // namespace

void ShowElidedPaths(QLabel* label, const QStringList& paths,
                     const std::function<QString(const QStringList&)>& compose) {
    const QString whole = compose(paths);
    label->setToolTip(whole);
    // Whole paths first: elidedText measures in fractions of a pixel, and may
    // elide a path at its own advance, which is rounded.
    if (Fits(label, whole)) {
        label->setText(whole);
        return;
    }
    const QFontMetrics metrics = label->fontMetrics();
    const auto elided = [&](int width) {
        QStringList shown;
        for (const QString& path : paths) shown << metrics.elidedText(path, Qt::ElideMiddle, width);
        return compose(shown);
    };
    int low = 0, high = 0;
    for (const QString& path : paths) high = std::max(high, metrics.horizontalAdvance(path));
    // The greatest width that fits; 0 when none does.
    while (low < high) {
        const int mid = (low + high + 1) / 2;
        if (Fits(label, elided(mid))) {
            low = mid;
        } else {
            high = mid - 1;
        }
    }
    label->setText(elided(low));
}
