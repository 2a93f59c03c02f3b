// The wizard and the desktop's services, faked on a private bus
// (tests/FakeDesktop.py): the machine kept awake while a run goes.
#include <gtest/gtest.h>

#include <QAbstractEventDispatcher>
#include <QTest>
#include <csignal>

#include <xcb/xcb.h>

#include "gui/toolkit/CancelOnSignal.h"
#include "gui/toolkit/CancelOnWindowLoss.h"
#include "tests/FakeDesktop.h"
#include "tests/gui/wizard/WizardDriver.h"

namespace {

using W = WizardDriver;

void DestroyWindow(W& w) {
    xcb_destroy_notify_event_t destroyed{};
    destroyed.response_type = XCB_DESTROY_NOTIFY;
    destroyed.window = static_cast<xcb_window_t>(w.Sheet().internalWinId());
    QAbstractEventDispatcher::instance()->filterNativeEvent("xcb_generic_event_t", &destroyed,
                                                            nullptr);
}

}  // namespace

// The portal's lock (suspend and idle) is taken when the run starts and given
// back when it ends, whichever way; logind's when the portal does not answer;
// with neither, the run goes on to its result. A 5 s run ends by itself.
TEST(DesktopServicesTest, TheMachineStaysAwakeWhileARunGoes) {
    const std::string portal = "ready\nportal inhibit 12 Un test du partage réseau est en cours\n";
    const std::string logind = "ready\nlogind inhibit sleep:idle Dalvex 2 block\n";
    const auto cancel = [](W& w) { w.Click(CPropertySheet::PSBTN_CANCEL); };
    const struct {
        const char* name;
        Strings services;
        void (*end)(W&);  // none: the run ends by itself, on the result
        std::string taken, release;
    } ways[] = {
        {"result", {"portal", "logind"}, nullptr, portal, "portal release"},
        {"Cancel", {"portal", "logind"}, cancel, portal, "portal release"},
        {"SIGTERM", {"portal"}, [](W&) { std::raise(SIGTERM); }, portal, "portal release"},
        {"window destroyed", {"portal"}, DestroyWindow, portal, "portal release"},
        {"no portal, result", {"logind"}, nullptr, logind, "logind release"},
        {"no portal, Cancel", {"logind"}, cancel, logind, "logind release"},
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
        w.Click(CPropertySheet::PSBTN_NEXT);
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
        if (!way.release.empty()) desktop.WaitFor(way.release);
        EXPECT_EQ(desktop.Events(), way.taken + way.release + (way.release.empty() ? "" : "\n"));
    }
}
