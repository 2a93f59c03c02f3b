#include "gui/wizard/CSelectDirPage.h"

#include "engine/TestSession.h"
#include "gui/toolkit/AskAside.h"
#include "gui/toolkit/CPropertySheet.h"
#include "gui/toolkit/DialogFonts.h"
#include "gui/toolkit/GuiText.h"
#include "gui/toolkit/MessageBox.h"
#include "gui/wizard/CAdvancedDlg.h"
#include "platform/ResourceIds.h"
#include "support/FileSystem.h"
#include "ui_CSelectDirPage.h"

CSelectDirPage::CSelectDirPage(TestSession& session)
    : CPropertyPage(res::kSelectDirPage),
      ui(std::make_unique<Ui::CSelectDirPage>()),
      m_session(session) {
    ui->setupUi(this);
    ui->title->setFont(HeadingFont(font()));
}

CSelectDirPage::~CSelectDirPage() = default;

bool CSelectDirPage::OnInitDialog() {
    ui->path->SetBrowseTexts(Chaine(Chaine::ResourceId(res::kBrowseInstruction)), Chaine(),
                             Chaine());
    ui->path->SetRequired(true);
    ui->path->SetIgnoreCase(true);
    ui->path->setText(ToQString(m_session.prefs.directory));
    Refill();
    connect(ui->path, &QLineEdit::textChanged, this, &CSelectDirPage::Refill);
    connect(ui->advanced, &QPushButton::clicked, this, &CSelectDirPage::OnAdvanced);
    return true;
}

bool CSelectDirPage::OnSetActive() {
    GetSheet()->SetWizardButtons(CPropertySheet::PSWIZB_BACK | CPropertySheet::PSWIZB_NEXT);
    return true;
}

void CSelectDirPage::Refill() {
    if (!ui->path->text().isEmpty()) return;
    Chaine folder;
    GetFoldersBase(folder, false);
    ui->path->setText(ToQString(folder));
    ui->path->selectAll();
}

void CSelectDirPage::OnAdvanced() {
    CAdvancedDlg dialog(m_session, GetSheet());
    dialog.exec();
}

int CSelectDirPage::OnWizardNext() {
    const Chaine path = FromWindowText(ui->path);
    const Chaine caption(Chaine::ResourceId(res::kCaption));
    const std::optional<bool> network =
        WaitForAnswer(AskAside([path = path.PrivateCopy()] { return IsNetworkPath(path); }));
    if (!network) {
        MessageBox::Warn(GetSheet(), Chaine(Chaine::ResourceId(res::kNoAnswerWarning)), caption);
        return -1;
    }
    if (!*network &&
        !MessageBox::AskYesNo(GetSheet(), Chaine(Chaine::ResourceId(res::kNotNetworkQuestion)),
                              caption)) {
        return -1;
    }
    m_session.prefs.SetDirectory(path);
    return 0;
}
