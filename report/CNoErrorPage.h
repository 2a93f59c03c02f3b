#pragma once
#include <memory>

#include "platform/gui/CPropertyPage.h"

namespace Ui {
class CNoErrorPage;
}

// The last page after a run in which no test failed. User-interface thread only.
class CNoErrorPage : public CPropertyPage {
    Q_OBJECT
public:
    static constexpr unsigned kTemplateId = 111;
    // Back leads here, to start a new run; the progress page is skipped.
    static constexpr int kDurationPageId = 112;

    CNoErrorPage();
    ~CNoErrorPage() override;

    bool OnInitDialog() override;
    bool OnSetActive() override;
    int OnWizardBack() override { return kDurationPageId; }

private:
    std::unique_ptr<Ui::CNoErrorPage> ui;
};
