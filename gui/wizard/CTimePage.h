#pragma once
#include <memory>

#include "gui/toolkit/CPropertyPage.h"

namespace Ui {
class CTimePage;
}

// How long the test runs: until stopped, or about a number of minutes. Shows
// the stored choice each time it becomes active; stores it on Next.
// User-interface thread only.
class CTimePage : public CPropertyPage {
    Q_OBJECT
public:
    static constexpr unsigned kTemplateId = 112;
    static constexpr int kDefaultMinutes = 5;
    static constexpr int kMinMinutes = 3;
    // The arrows go this far.
    static constexpr int kArrowMaxMinutes = 32767;
    // Typed by hand: the longest run whose milliseconds the progress bar holds.
    static constexpr int kMaxMinutes = 35791;

    CTimePage();
    ~CTimePage() override;

    bool OnInitDialog() override;
    bool OnSetActive() override;
    int OnWizardNext() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // An emptied field, or 0, gets the default duration back, selected.
    void Refill();

    std::unique_ptr<Ui::CTimePage> ui;
};
