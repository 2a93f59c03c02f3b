#include "report/CErrorPage.h"

#include "platform/gui/CPropertySheet.h"
#include "platform/gui/DialogFonts.h"
#include "platform/gui/ResourceImage.h"
#include "ui_CErrorPage.h"

CErrorPage::CErrorPage() : CPropertyPage(kTemplateId), ui(std::make_unique<Ui::CErrorPage>()) {
    ui->setupUi(this);
    ui->title->setFont(BannerFont());
    // The report viewer behind this button is not part of the program yet.
    ui->details->hide();
}

CErrorPage::~CErrorPage() = default;

bool CErrorPage::OnInitDialog() {
    ShowResourceImage(ui->picture, 145, true);
    ShowResourceImage(ui->warningIcon, 134, false);
    return true;
}

bool CErrorPage::OnSetActive() {
    GetSheet()->SetWizardButtons(CPropertySheet::PSWIZB_BACK | CPropertySheet::PSWIZB_FINISH);
    return true;
}
