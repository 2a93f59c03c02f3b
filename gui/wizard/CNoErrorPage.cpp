#include "gui/wizard/CNoErrorPage.h"

#include "gui/toolkit/CPropertySheet.h"
#include "gui/toolkit/DialogUnits.h"
#include "gui/toolkit/ResourceImage.h"
#include "gui/wizard/PageIds.h"
#include "gui/wizard/RunSummary.h"
#include "platform/ResourceIds.h"
#include "ui_CNoErrorPage.h"

CNoErrorPage::CNoErrorPage(TestSession& session)
    : CPropertyPage(res::kNoErrorPage),
      ui(std::make_unique<Ui::CNoErrorPage>()),
      m_session(session) {
    ui->setupUi(this);
    ui->title->setFont(DialogUnits::BannerFont());
}

CNoErrorPage::~CNoErrorPage() = default;

bool CNoErrorPage::OnInitDialog() {
    ShowResourceImage(ui->picture, res::kWizardPicture, true);
    return true;
}

bool CNoErrorPage::OnSetActive() {
    GetSheet()->SetWizardButtons(CPropertySheet::PSWIZB_BACK | CPropertySheet::PSWIZB_FINISH);
    ShowRunSummary(ui->summary, m_session);
    return true;
}
