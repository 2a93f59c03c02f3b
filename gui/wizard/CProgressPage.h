#pragma once
#include <cstdint>
#include <memory>

#include "engine/RunSnapshot.h"
#include "gui/desktop/DesktopInhibitor.h"
#include "gui/desktop/DesktopNotifier.h"
#include "gui/desktop/LauncherProgress.h"
#include "gui/toolkit/CPropertyPage.h"

class RunRecord;
struct TestSession;

namespace Ui {
class CProgressPage;
}

// The page that runs a test and watches it: each activation starts the
// session's run, a timer polls it while the page is active and shows its
// counters, and the page leaves only once every worker thread has returned,
// for the page the user's last request asked for. It never waits for a
// thread: it polls. A run that ends on its result while the window is not
// the active one is told on the desktop; its progress shows on the
// program's icon in the launcher while it goes; its record, for the report
// to share, is kept poll after poll. The machine is kept awake from the run's start until the poll
// that finds every worker thread returned, whichever way the run ended; when the window goes first
// (the threads left stuck on a share that does not answer, the display lost), until the window
// goes. User-interface thread only.
class CProgressPage : public CPropertyPage {
    Q_OBJECT
public:
    // `session` and `record` outlive the page.
    CProgressPage(TestSession& session, RunRecord& record);
    ~CProgressPage() override;

    bool OnSetActive() override;
    bool OnKillActive() override;
    int OnWizardNext() override;
    // Back, Escape and the close box throw a run away once asked
    // (MayThrowAwayRun).
    int OnWizardBack() override;
    bool OnQueryClose() override;
    bool OnQueryCancel() override;
    void OnCancel() override;

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    // A run that has lasted a minute is not thrown away by one stray key or
    // click: the user is asked first, No by default. True when the run may
    // go: the user said so, or there was nothing to lose.
    bool MayThrowAwayRun();
    void Tick();
    // Once per run, at the poll that finds every worker thread returned.
    void RunOver(const RunSnapshot& run);
    void ShowCounters(const RunSnapshot& run);
    void ShowDirectories();
    void ShowStatus(unsigned textId);
    void KillTimer();

    std::unique_ptr<Ui::CProgressPage> ui;
    TestSession& m_session;
    RunRecord& m_record;
    int m_nTimer = 0;
    DesktopInhibitor m_awake;
    DesktopNotifier m_notifier;
    LauncherProgress m_launcher;
    bool m_runGoing = false;        // started, and RunOver not yet called
    bool m_buttonsEnabled = false;  // Back and Next, once the run allowed them
};
