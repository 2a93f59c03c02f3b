#pragma once
#include "engine/TestSession.h"
#include "gui/toolkit/CPropertySheet.h"
#include "gui/wizard/RunRecord.h"

// The wizard: welcome, server directory, duration, progress, then the result
// of the run. It owns the session, the settings that the pages fill in and the
// run made of them, and hands it to every page. User-interface thread only.
class CDalvex2Sheet : public CPropertySheet {
    Q_OBJECT
public:
    // The settings start as `prefs` says.
    explicit CDalvex2Sheet(QWidget* parent = nullptr, unsigned startPage = 0,
                           const CDVXPrefs& prefs = CDVXPrefs());
    ~CDalvex2Sheet() override;

    // The settings the pages stored.
    const CDVXPrefs& Settings() const { return m_session.prefs; }
    // The current or last run as it stands now.
    RunSnapshot Snapshot() { return m_session.run.Snapshot(); }

private:
    // The about box, offered by the window's context menu and by a button.
    void AddAboutEntry();
    void ShowAbout();

    RunRecord m_record;  // of the session's run
    TestSession m_session;
};
