// How long the wizard's event loop goes unserved while a run loads the disk:
// the progress page is started on a directory with a number of sets, and a
// 5 ms timer notes how late each of its ticks comes. The longest time one
// event took to handle (the page's ticks, painting) tells the program's own
// share of a stall from the time the system gave the other threads.
//   wizard_stall DIRECTORY SECONDS [SETS]
// Prints the ticks' lateness (median, 99th percentile, worst) and the longest
// event, in ms.
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "gui/wizard/CDalvex2Sheet.h"

namespace {

// Times every event the user-interface thread handles.
class TimedApplication : public QApplication {
public:
    using QApplication::QApplication;
    double longestEventMs = 0;

    bool notify(QObject* receiver, QEvent* event) override {
        QElapsedTimer timer;
        timer.start();
        const bool handled = QApplication::notify(receiver, event);
        longestEventMs = std::max(longestEventMs, timer.nsecsElapsed() / 1e6);
        return handled;
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    TimedApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: wizard_stall DIRECTORY SECONDS [SETS]\n");
        return 2;
    }
    const int seconds = std::atoi(argv[2]);
    const int sets = argc > 3 ? std::atoi(argv[3]) : 5;
    constexpr int kTickMs = 5;

    CDVXPrefs prefs;
    prefs.SetDirectory(Chaine(argv[1]));
    prefs.SetSimultaneousTests(static_cast<uint32_t>(sets));
    prefs.SetDurationMinutes(CDVXPrefs::UntilStopped);
    CDalvex2Sheet sheet(nullptr, 2, prefs);  // the duration page
    sheet.show();
    QTest::qWait(100);
    sheet.GetButton(CPropertySheet::PSBTN_NEXT)->click();

    std::vector<double> late;
    QElapsedTimer clock;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        late.push_back(std::max(0.0, clock.nsecsElapsed() / 1e6 - kTickMs));
        clock.restart();
    });
    clock.start();
    ticker.start(kTickMs);
    app.longestEventMs = 0;  // the click that started the run is not part of it
    // A plain event loop: QTest::qWait sleeps 10 ms between its rounds.
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    ticker.stop();

    sheet.GetButton(CPropertySheet::PSBTN_CANCEL)->click();
    QTest::qWaitFor([&] { return !sheet.isVisible(); }, 120000);
    std::sort(late.begin(), late.end());
    if (late.empty()) return 1;
    std::printf(
        "%d sets, %d s, %zu ticks of %d ms: late median %.2f ms, p99 %.2f ms, worst %.2f ms; "
        "longest event %.2f ms\n",
        sets, seconds, late.size(), kTickMs, late[late.size() / 2], late[late.size() * 99 / 100],
        late.back(), app.longestEventMs);
    return 0;
}
