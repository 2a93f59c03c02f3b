#include "gui/wizard/CWelcomePage.h"

#include "gui/toolkit/CPropertySheet.h"
#include "gui/toolkit/DialogUnits.h"
#include "gui/toolkit/ResourceImage.h"
#include "gui/wizard/PageIds.h"
#include "platform/ResourceIds.h"
#include "ui_CWelcomePage.h"

CWelcomePage::CWelcomePage()
    : CPropertyPage(res::kWelcomePage), ui(std::make_unique<Ui::CWelcomePage>()) {
    ui->setupUi(this);
    ui->title->setFont(DialogUnits::BannerFont());
}

CWelcomePage::~CWelcomePage() = default;

bool CWelcomePage::OnInitDialog() {
    ShowResourceImage(ui->picture, res::kWizardPicture, true);
    return true;
}

bool CWelcomePage::OnSetActive() {
    GetSheet()->SetWizardButtons(CPropertySheet::PSWIZB_NEXT);
    return true;
}
