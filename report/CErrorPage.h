#pragma once
#include <memory>

#include "platform/gui/CPropertyPage.h"

namespace Ui {
class CErrorPage;
}

// The last page after a run in which a test failed. User-interface thread only.
class CErrorPage : public CPropertyPage {
    Q_OBJECT
public:
    static constexpr unsigned kTemplateId = 134;
    static constexpr int kDurationPageId = 112;

    CErrorPage();
    ~CErrorPage() override;

    bool OnInitDialog() override;
    bool OnSetActive() override;
    int OnWizardBack() override { return kDurationPageId; }

private:
    std::unique_ptr<Ui::CErrorPage> ui;
};
