#pragma once
#include <cstdint>
#include <memory>

#include "gui/toolkit/CPropertyPage.h"

struct TestSession;

namespace Ui {
class CTimePage;
}

// How long the test runs: until stopped, or about a number of minutes. Shows
// the stored choice each time it becomes active; stores it on Next.
// User-interface thread only.
class CTimePage : public CPropertyPage {
    Q_OBJECT
public:
    // `session` outlives the page.
    explicit CTimePage(TestSession& session);
    ~CTimePage() override;

    bool OnInitDialog() override;
    bool OnSetActive() override;
    int OnWizardNext() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // An emptied field, or 0, gets the default duration back, selected.
    void Refill();
    // The field's number brought within the bounds: the duration Next stores.
    uint32_t TypedMinutes() const;

    std::unique_ptr<Ui::CTimePage> ui;
    TestSession& m_session;
};
