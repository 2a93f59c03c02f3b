#pragma once
#include <memory>

#include "gui/toolkit/CPropertyPage.h"

namespace Ui {
class CSelectDirPage;
}

// The server directory to test, with the advanced options behind a button.
// The path is stored on Next, as typed, after a question when it is not on a
// network file system. User-interface thread only.
class CSelectDirPage : public CPropertyPage {
    Q_OBJECT
public:
    static constexpr unsigned kTemplateId = 108;
    // What the folder field's browse dialog asks for.
    static constexpr unsigned kInstructionId = 2000;
    // "Not a network path: go on?"
    static constexpr unsigned kNotNetworkQuestionId = 2001;

    CSelectDirPage();
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
};
