#include "gui/wizard/CErrorPage.h"

#include "engine/TestSession.h"
#include "gui/toolkit/CPropertySheet.h"
#include "gui/toolkit/DialogUnits.h"
#include "gui/toolkit/ResourceImage.h"
#include "gui/wizard/CDetailDlg.h"
#include "gui/wizard/PageIds.h"
#include "gui/wizard/RunRecord.h"
#include "gui/wizard/RunSummary.h"
#include "platform/ResourceIds.h"
#include "ui_CErrorPage.h"

CErrorPage::CErrorPage(TestSession& session, RunRecord& record)
    : CPropertyPage(res::kErrorPage),
      ui(std::make_unique<Ui::CErrorPage>()),
      m_session(session),
      m_record(record) {
    ui->setupUi(this);
    ui->title->setFont(DialogUnits::BannerFont());
    connect(ui->details, &QPushButton::clicked, this, &CErrorPage::ShowDetails);
}

CErrorPage::~CErrorPage() = default;

bool CErrorPage::OnInitDialog() {
    ShowResourceImage(ui->picture, res::kWizardPicture, true);
    ShowResourceImage(ui->warningIcon, res::kWarningIcon, false);
    return true;
}

bool CErrorPage::OnSetActive() {
    GetSheet()->SetWizardButtons(CPropertySheet::PSWIZB_BACK | CPropertySheet::PSWIZB_FINISH);
    ShowRunSummary(ui->summary, m_session);
    return true;
}

void CErrorPage::ShowDetails() {
    const RunSnapshot run = m_session.run.Snapshot();
    CDetailDlg dialog(run, m_record.Html(m_session, run), GetSheet());
    dialog.exec();
}
