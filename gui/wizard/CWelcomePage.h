#pragma once
#include <memory>

#include "gui/toolkit/CPropertyPage.h"

namespace Ui {
class CWelcomePage;
}

// The first page: what the wizard is about to do. User-interface thread only.
class CWelcomePage : public CPropertyPage {
    Q_OBJECT
public:
    CWelcomePage();
    ~CWelcomePage() override;

    bool OnInitDialog() override;
    bool OnSetActive() override;

private:
    std::unique_ptr<Ui::CWelcomePage> ui;
};
