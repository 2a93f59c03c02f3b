#pragma once
#include <memory>

#include "gui/toolkit/CPropertyPage.h"

struct TestSession;

namespace Ui {
class CSelectDirPage;
}

// The server directory to test, with the advanced options behind a button.
// The path is stored on Next, as typed, after a question when it is not on a
// network file system; a path whose file system does not answer in time is
// refused with a warning. User-interface thread only.
class CSelectDirPage : public CPropertyPage {
    Q_OBJECT
public:
    // `session` outlives the page.
    explicit CSelectDirPage(TestSession& session);
    ~CSelectDirPage() override;

    bool OnInitDialog() override;
    bool OnSetActive() override;
    int OnWizardNext() override;

private:
    // An emptied field gets the default data folder back, selected, so that
    // the next key typed replaces it.
    void Refill();
    void OnAdvanced();

    std::unique_ptr<Ui::CSelectDirPage> ui;
    TestSession& m_session;
};
