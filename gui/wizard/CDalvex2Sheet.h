#pragma once
#include "engine/CDVXPrefs.h"
#include "gui/toolkit/CPropertySheet.h"

class CDVXProgressData;
class CProgressPage;
class CPropertyPage;

// The wizard: welcome, server directory, duration, progress, then the result
// of the run. It owns the settings that the pages fill in. User-interface
// thread only.
class CDalvex2Sheet : public CPropertySheet {
    Q_OBJECT
public:
    // The program's short name, the caption of its messages.
    static constexpr unsigned kCaptionId = 57344;
    // The about entry's text; an empty one leaves the wizard without it.
    static constexpr unsigned kAboutId = 101;

    explicit CDalvex2Sheet(QWidget* parent = nullptr, unsigned startPage = 0);
    ~CDalvex2Sheet() override;

    // The sheet a page was added to, or null.
    static CDalvex2Sheet* Of(const CPropertyPage* page);
    // The records of the current or last run.
    CDVXProgressData* GetProgressData();

    CDVXPrefs m_prefs;

private:
    // The about box, offered by the window's context menu and by a button.
    void AddAboutEntry();
    void ShowAbout();

    CProgressPage* m_progressPage;
};
