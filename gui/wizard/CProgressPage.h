#pragma once
#include <memory>

#include "engine/CDVXPrefs.h"
#include "engine/CDVXThreadManager.h"
#include "gui/toolkit/CPropertyPage.h"
#include "report/ProgressTick.h"

namespace Ui {
class CProgressPage;
}

// The page that runs a test and watches it: each activation starts a run, a
// 200 ms timer shows its counters while the page is active, and the page
// leaves only once every worker thread has returned, for the page the user's
// last request asked for. It never waits for a thread: it polls. User-interface
// thread only.
class CProgressPage : public CPropertyPage {
    Q_OBJECT
public:
    static constexpr unsigned kTemplateId = 109;
    static constexpr int kTickMs = 200;
    // "Press Next to end the test", "Stopping the tests, please wait".
    static constexpr unsigned kRunningTextId = 2003;
    static constexpr unsigned kStoppingTextId = 2002;

    // `prefs` is the sheet's record; it outlives the page.
    explicit CProgressPage(CDVXPrefs* prefs);
    ~CProgressPage() override;

    bool OnSetActive() override;
    bool OnKillActive() override;
    int OnWizardNext() override;
    int OnWizardBack() override;
    bool OnQueryCancel() override;
    void OnCancel() override;

    // The records of the current or last run.
    CDVXProgressData* GetProgressData() { return &m_manager.GetProgress(); }

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    void Tick();
    void ShowCounters(uint32_t elapsedMs);
    void ShowDirectories(const Chaine& directories);
    // A record still runs, or a thread is still on its way out.
    bool IsBusy();
    // The status line says the run is ending; `action` is what to do after it.
    void AskToEnd(int action);
    void KillTimer();

    std::unique_ptr<Ui::CProgressPage> ui;
    CDVXPrefs* m_prefs;
    CDVXThreadManager m_manager;
    int m_nTimer = 0;
    int m_nExitAction = ProgressTick::ExitShowResult;
    bool m_bButtonsEnabled = false;
};
