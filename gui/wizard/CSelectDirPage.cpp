#include "gui/wizard/CSelectDirPage.h"

#include "gui/wizard/CAdvancedDlg.h"
#include "gui/wizard/CDalvex2Sheet.h"
#include "gui/toolkit/DialogFonts.h"
#include "gui/toolkit/GuiText.h"
#include "gui/toolkit/MessageBox.h"
#include "support/FileSystem.h"
#include "ui_CSelectDirPage.h"

CSelectDirPage::CSelectDirPage()
    : CPropertyPage(kTemplateId), ui(std::make_unique<Ui::CSelectDirPage>()) {
    ui->setupUi(this);
    ui->title->setFont(HeadingFont(font()));
}

CSelectDirPage::~CSelectDirPage() = default;

bool CSelectDirPage::OnInitDialog() {
    ui->path->SetBrowseTexts(Chaine(Chaine::ResourceId(kInstructionId)), Chaine(), Chaine());
    ui->path->SetRequired(true);
    ui->path->SetIgnoreCase(true);
    ui->path->setText(ToQString(CDalvex2Sheet::Of(this)->m_prefs.directory));
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
    CDalvex2Sheet* sheet = CDalvex2Sheet::Of(this);
    CAdvancedDlg dialog(&sheet->m_prefs, sheet);
    dialog.exec();
}

int CSelectDirPage::OnWizardNext() {
    CDalvex2Sheet* sheet = CDalvex2Sheet::Of(this);
    const Chaine path = FromWindowText(ui->path);
    if (!IsNetworkPath(path) &&
        !MessageBox::AskYesNo(sheet, Chaine(Chaine::ResourceId(kNotNetworkQuestionId)),
                              Chaine(Chaine::ResourceId(CDalvex2Sheet::kCaptionId)))) {
        return -1;
    }
    sheet->m_prefs.SetDirectory(path);
    return 0;
}
