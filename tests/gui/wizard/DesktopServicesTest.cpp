// The wizard and the desktop's services, faked on a private bus
// (tests/FakeDesktop.py): the machine kept awake while a run goes, the
// run's end told when the window is not looked at, its progress on the
// launcher.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QLabel>
#include <QTest>
#include <algorithm>
#include <csignal>
#include <set>
#include <sstream>

#include "engine/CDVXProgressData.h"
#include "gui/toolkit/CancelOnSignal.h"
#include "gui/toolkit/CancelOnWindowLoss.h"
#include "gui/toolkit/GuiText.h"
#include "platform/ResourceIds.h"
#include "tests/FakeDesktop.h"
#include "tests/gui/wizard/WizardDriver.h"

using W = WizardDriver;

namespace {

// The events, in no order: two services hear of their release apart.
std::multiset<std::string> Lines(const std::string& events) {
    std::multiset<std::string> lines;
    std::istringstream in(events);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty()) lines.insert(line);
    }
    return lines;
}

}  // namespace

// The portal's lock (suspend and idle) is taken when the run starts and given
// back when it ends, whichever way; logind's when the portal is not there,
// and both when it answers late, its late lock given back too; with neither,
// the run goes on to its result. A 5 s run ends by itself.
TEST(DesktopServicesTest, TheMachineStaysAwakeWhileARunGoes) {
    const std::string portal = "ready\nportal inhibit 12 Un test du partage réseau est en cours\n";
    const std::string logind = "logind inhibit sleep:idle Dalvex 2 block\n";
    const auto cancel = [](W& w) { w.Click(kCancel); };
    const struct {
        const char* name;
        Strings services;
        void (*end)(W&);  // none: the run ends by itself, on the result
        std::string taken, release;
    } ways[] = {
        {"result", {"portal", "logind"}, nullptr, portal, "portal release"},
        {"Cancel", {"portal", "logind"}, cancel, portal, "portal release"},
        {"SIGTERM", {"portal"}, [](W&) { std::raise(SIGTERM); }, portal, "portal release"},
        {"window destroyed", {"portal"}, [](W& w) { w.DestroyWindow(); }, portal, "portal release"},
        {"no portal, result", {"logind"}, nullptr, "ready\n" + logind, "logind release"},
        {"no portal, Cancel", {"logind"}, cancel, "ready\n" + logind, "logind release"},
        {"slow portal",
         {"slow-portal", "logind"},
         cancel,
         portal + logind,
         "portal release\nlogind release"},
        {"neither", {}, nullptr, "ready\n", ""},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        const FakeDesktop desktop(way.services);
        ASSERT_TRUE(desktop.Ready());
        TempDir dir("/dev/shm");
        W w(W::kDuration, dir.Path(), {.minuteMs = 1000});
        CancelOnSignal cancelOnSignal(&w.Sheet());
        CancelOnWindowLoss cancelOnWindowLoss(&w.Sheet());
        w.Click(kNext);
        ASSERT_TRUE(w.WaitForPage(W::kProgress));
        EXPECT_TRUE(w.AnyRunning());
        EXPECT_EQ(desktop.Events(), way.taken);
        if (way.end) {
            way.end(w);
            ASSERT_TRUE(w.WaitForClose());
        } else {
            ASSERT_TRUE(w.WaitForPage(W::kNoError, 30000));
        }
        // The wizard still shows, or is closed but not yet gone: the run's end
        // released the lock, not the page's end.
        for (const std::string& line : Lines(way.release)) desktop.WaitFor(line);
        EXPECT_EQ(Lines(desktop.Events()), Lines(way.taken + way.release)) << desktop.Events();
    }
}

// A run that ends on its result while another window is the active one is
// told through the portal, else through the notification service, with its
// verdict and duration; the click raises the wizard. While the wizard is the
// active window, nothing is sent. A run on a missing directory fails at once;
// one that lasted its whole duration says nothing of a stop on its page.
// All along, the run's share of the time rises on the program's icon, told
// once a second at most; once the run is over the progress goes, and the icon
// asks for attention when a test failed. Keyed to the desktop entry.
TEST(DesktopServicesTest, TheRunIsFollowedOnTheDesktop) {
    QGuiApplication::setDesktopFileName(QStringLiteral("dalvex2"));
    const std::string entry =
        "launcher /com/canonical/unity/launcherentry/dalvex2 application://dalvex2.desktop ";
    const struct {
        const char* name;
        Strings services;
        bool away, fails;
        std::string notice;  // the event, but for the body, which follows the run
    } ways[] = {
        {"portal", {"portal", "launcher"}, true, false, "portal notify Dalvex 2 | %1 | show"},
        {"failed", {"portal", "launcher"}, true, true, "portal notify Dalvex 2 | %1 | show"},
        {"no portal",
         {"notifications", "launcher"},
         true,
         false,
         "notifications notify Dalvex 2 | %1 | default Afficher"},
        // Sent again, and withdrawn from the portal once it answers.
        {"slow portal",
         {"slow-portal", "notifications", "launcher"},
         true,
         true,
         "notifications notify Dalvex 2 | %1 | default Afficher"},
        {"window active", {"portal", "notifications", "launcher"}, false, false, ""},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        const FakeDesktop desktop(way.services);
        ASSERT_TRUE(desktop.Ready());
        TempDir dir("/dev/shm");
        W w(W::kDuration, way.fails ? dir.File("missing") : dir.Path(), {.minuteMs = 1000});
        QWidget other;
        QWidget* active = way.away ? &other : &w.Sheet();
        other.show();
        active->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(active));
        w.Click(kNext);
        ASSERT_TRUE(w.WaitForPage(way.fails ? W::kError : W::kNoError, 30000));
        const QString summary = w.Find<QLabel>(W::kNoError, "summary")->text();
        const QString unstopped = ToQString(Chaine(Chaine::ResourceId(res::kRunSummary)));
        EXPECT_TRUE(way.fails || summary.startsWith(unstopped.section('%', 0, 0)))
            << summary.toStdString();
        const Chaine verdict(Chaine::ResourceId(way.fails ? res::kFailedNotice : res::kOkSentence));
        const QString body =
            ToQString(verdict) + QString::fromUtf8(" – durée\u00a0: ") +
            ToQString(CDVXProgressData::FormatDuration(w.Sheet().Snapshot().ElapsedMs()));
        const std::string notice = QString::fromStdString(way.notice).arg(body).toStdString();
        if (!notice.empty()) {
            EXPECT_TRUE(desktop.WaitFor(notice)) << desktop.Events();
            const bool slow = way.services[0] == "slow-portal";
            const auto withdrawn = [&] { return desktop.WaitFor("portal withdraw run-over", 0); };
            EXPECT_EQ(QTest::qWaitFor(withdrawn, slow ? 5000 : 0), slow);
            EXPECT_TRUE(QTest::qWaitFor([&] { return w.Sheet().isActiveWindow(); }, 5000));
        } else {
            QTest::qWait(500);  // as long as a notification would take, and its click
            EXPECT_EQ(desktop.Events().find("notify"), std::string::npos) << desktop.Events();
        }
        const std::string last = entry + "- False " + (way.fails ? "True" : "False");
        ASSERT_TRUE(desktop.WaitFor(last)) << desktop.Events();
        std::istringstream events(desktop.Events());
        std::vector<double> progress;
        for (std::string line; std::getline(events, line) && line != last;) {
            if (!line.starts_with("launcher ")) continue;
            // Urgent from the failure on, before the run is over.
            ASSERT_TRUE(line.starts_with(entry) && (line.ends_with(" True False") ||
                                                    (way.fails && line.ends_with(" True True"))))
                << line;
            progress.push_back(std::stod(line.substr(entry.size())));
        }
        if (way.fails) continue;
        const double seconds = w.Sheet().Snapshot().ElapsedMs() / 1000.0;
        EXPECT_TRUE(progress.size() >= 3 && progress.size() <= seconds + 1 &&
                    std::is_sorted(progress.begin(), progress.end(), std::less_equal<>()) &&
                    progress.back() <= 1)
            << desktop.Events();
    }
}
