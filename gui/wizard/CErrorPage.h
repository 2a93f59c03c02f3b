#pragma once
#include <memory>

#include "gui/toolkit/CPropertyPage.h"
#include "gui/wizard/PageIds.h"

class RunRecord;
struct TestSession;

namespace Ui {
class CErrorPage;
}

// The last page after a run in which a test failed. User-interface thread only.
class CErrorPage : public CPropertyPage {
    Q_OBJECT
public:
    // `session` holds the records of the runs, `record` what the run's
    // report to share needs beside them; both outlive the page.
    CErrorPage(TestSession& session, RunRecord& record);
    ~CErrorPage() override;

    bool OnInitDialog() override;
    bool OnSetActive() override;
    // Back leads to the duration page, for a new run; the progress page is skipped.
    int OnWizardBack() override { return res::kTimePage; }

private:
    // Opens the reports of the run that just ended, read afresh each time.
    void ShowDetails();

    std::unique_ptr<Ui::CErrorPage> ui;
    TestSession& m_session;
    RunRecord& m_record;
};
