#pragma once
// What the widget tests do through the event loop: act on a window that a
// modal exec() shows, and click as the window system would.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <memory>
#include <ostream>

// Lets failing assertions show a QString as its text.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

// Runs `act` on the next popup or modal window of type T once it shows, from
// inside the event loop that shows it. The wait ends with `owner`, which
// outlives whatever `act` refers to.
template <class T, class F>
void OnNextModal(F act, QObject* owner) {
    auto* poll = new QTimer(owner);
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        QWidget* top = QApplication::activePopupWidget();
        if (!top) top = QApplication::activeModalWidget();
        auto* window = qobject_cast<T*>(top);
        if (!window || !window->isVisible()) return;
        poll->stop();
        poll->deleteLater();
        act(window);
    });
    poll->start(20);
}

// The longest the event loop went without turning, as a timer that asks for
// it every 20 ms sees it, from the watch's start until now.
class LoopWatch {
public:
    LoopWatch() {
        QObject::connect(&m_timer, &QTimer::timeout,
                         [this] { m_longest = std::max(m_longest, m_since.restart()); });
        m_timer.start(20);
        m_since.start();
    }
    qint64 LongestMs() const { return std::max(m_longest, m_since.elapsed()); }

private:
    QTimer m_timer;
    QElapsedTimer m_since;
    qint64 m_longest = 0;
};

// A right click that goes through the window, so that Qt turns it into a
// context-menu request as it does for the user's mouse.
inline void RightClick(QWidget* widget, QPoint position) {
    QWidget* top = widget->window();
    QTest::mouseClick(top->windowHandle(), Qt::RightButton, {}, widget->mapTo(top, position));
}

// Right-clicks `widget` at `position` and picks the entry whose text, its
// shortcut left aside, is `entry`. Returns the texts the menu offered, once
// the pick is made: at once for a menu that runs its own loop, after a wait
// for one that pops up.
inline QStringList PickFromContextMenu(QWidget* widget, QPoint position, const QString& entry) {
    const auto offered = std::make_shared<QStringList>();  // a menu offers something
    OnNextModal<QMenu>(
        [offered, entry](QMenu* menu) {
            QAction* picked = nullptr;
            for (QAction* action : menu->actions()) {
                *offered << action->text();
                if (action->text().section(QLatin1Char('\t'), 0, 0) == entry) picked = action;
            }
            if (picked)
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(picked).center());
        },
        widget);
    RightClick(widget, position);
    EXPECT_TRUE(QTest::qWaitFor([&offered] { return !offered->isEmpty(); })) << "no menu";
    return *offered;
}
