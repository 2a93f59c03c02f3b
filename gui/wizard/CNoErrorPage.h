#pragma once
#include <memory>

#include "gui/toolkit/CPropertyPage.h"
#include "gui/wizard/PageIds.h"

struct TestSession;

namespace Ui {
class CNoErrorPage;
}

// The last page after a run in which no test failed. User-interface thread only.
class CNoErrorPage : public CPropertyPage {
    Q_OBJECT
public:
    // `session` holds the records of the runs and outlives the page.
    explicit CNoErrorPage(TestSession& session);
    ~CNoErrorPage() override;

    bool OnInitDialog() override;
    bool OnSetActive() override;
    // Back leads to the duration page, for a new run; the progress page is skipped.
    int OnWizardBack() override { return res::kTimePage; }

private:
    std::unique_ptr<Ui::CNoErrorPage> ui;
    TestSession& m_session;
};
