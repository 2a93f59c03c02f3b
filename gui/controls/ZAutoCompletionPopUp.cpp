#include "gui/controls/ZAutoCompletionPopUp.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>

#include "gui/controls/ZPopListBoxEx.h"
#include "gui/toolkit/GuiText.h"
#include "platform/ResourceIds.h"

ZAutoCompletionPopUp::ZAutoCompletionPopUp(QWidget* edit, ZPopListBoxEx* list)
    : QFrame(edit, Qt::Popup), edit(edit), list(list) {
    setFrameStyle(QFrame::Box | QFrame::Plain);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    // As high as its rows, not as the list's own minimum would have it.
    layout->setSizeConstraint(QLayout::SetNoConstraint);
    list->setParent(this);
    list->setFrameStyle(QFrame::NoFrame);
    list->setFocusPolicy(Qt::NoFocus);
    SetAccessibleTexts(list, ResourceQString(res::kCompletionsName),
                       ResourceQString(res::kCompletionsDescription));
    list->setMinimumSize(0, 0);
    // Long paths keep their end, where the folder names differ.
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setTextElideMode(Qt::ElideMiddle);
    layout->addWidget(list);
    installEventFilter(this);
    list->installEventFilter(this);
}

void ZAutoCompletionPopUp::ShowUnder() {
    const int rows = std::min(list->count(), kMaxRows);
    const int rowHeight = std::max(list->sizeHintForRow(0), 1);
    const int margins = layout()->contentsMargins().top() + layout()->contentsMargins().bottom();
    const int height = rows * rowHeight + 2 * (list->frameWidth() + frameWidth()) + margins;
    QPoint where = edit->mapToGlobal(QPoint(0, edit->height()));
    // Above the edit when the screen has no room below it.
    if (const QScreen* screen = edit->screen();
        screen && where.y() + height > screen->availableGeometry().bottom()) {
        where.setY(edit->mapToGlobal(QPoint(0, 0)).y() - height);
    }
    setGeometry(QRect(where, QSize(edit->width(), height)));
    if (!isVisible()) show();
}

bool ZAutoCompletionPopUp::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease &&
        event->type() != QEvent::ShortcutOverride) {
        return QFrame::eventFilter(watched, event);
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    // Tab leaves the edit: the list goes first, so that focus can move on.
    if (event->type() == QEvent::KeyPress &&
        (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)) {
        hide();
    }
    QApplication::sendEvent(edit, event);
    return true;
}

void ZAutoCompletionPopUp::hideEvent(QHideEvent* event) {
    QFrame::hideEvent(event);
    emit Closed();
}
