#include "gui/wizard/CSelectDirPage.h"

#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <algorithm>

#include "engine/RunFootprint.h"
#include "engine/TestSession.h"
#include "gui/toolkit/AskAside.h"
#include "gui/toolkit/CPropertySheet.h"
#include "gui/toolkit/DialogUnits.h"
#include "gui/toolkit/GuiText.h"
#include "gui/toolkit/MessageBox.h"
#include "gui/wizard/CAdvancedDlg.h"
#include "gui/wizard/PageIds.h"
#include "platform/ResourceIds.h"
#include "report/DirectoryProblemText.h"
#include "support/FileSystem.h"
#include "ui_CSelectDirPage.h"

namespace {

Chaine Resource(unsigned id) { return Chaine(Chaine::ResourceId(id)); }

}  // namespace

CSelectDirPage::CSelectDirPage(TestSession& session)
    : CPropertyPage(res::kSelectDirPage),
      ui(std::make_unique<Ui::CSelectDirPage>()),
      m_session(session) {
    ui->setupUi(this);
    ui->title->setFont(DialogUnits::HeadingFont(font()));
}

CSelectDirPage::~CSelectDirPage() = default;

bool CSelectDirPage::OnInitDialog() {
    ui->path->SetBrowseTexts(Chaine(Chaine::ResourceId(res::kBrowseInstruction)), Chaine(),
                             Chaine());
    ui->path->SetRequired(true);
    ui->path->SetIgnoreCase(true);
    // The field tells what Next would refuse in the path itself: typing
    // writes nothing.
    ui->path->SetReasonCheck([](const Chaine& text) {
        return std::string(DirectoryProblemText(DirectoryCheck::OfPath(text)).View());
    });
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
    const QString typed = ui->path->text();
    const Chaine path = ToChaine(typed);
    const Chaine caption(Chaine::ResourceId(res::kCaption));
    if (const Chaine refusal = UncarriedRefusal(typed); !refusal.IsEmpty()) {
        MessageBox::Warn(GetSheet(), refusal, caption);
        return -1;
    }
    const std::optional<Answer> answer =
        Await(AskAside([path = path.PrivateCopy(), needed = RunFootprint::Of(m_session.prefs)] {
            Answer found{DirectoryCheck::ForRun(path, needed), {}};
            if (found.check.problem == DirectoryCheck::kUsable) found.client = GetShareClient(path);
            return found;
        }));
    if (!GetSheet()->isVisible()) return -1;  // cancelled while waiting
    if (!answer) {
        MessageBox::Warn(GetSheet(), Resource(res::kNoAnswerWarning), caption);
        return -1;
    }
    if (answer->check.problem != DirectoryCheck::kUsable) {
        MessageBox::Warn(GetSheet(), DirectoryProblemText(answer->check), caption);
        return -1;
    }
    const ShareClient& client = answer->client;
    if (!client.network) {
        if (!MessageBox::AskYesNo(GetSheet(), Resource(res::kNotNetworkQuestion), caption))
            return -1;
    } else if (client.cachesWrites) {
        // Reading back what such a client kept proves nothing of the server.
        Chaine question;
        question.Format(Resource(res::kCachingClientQuestion).c_str(), client.type.c_str());
        if (!MessageBox::AskYesNo(GetSheet(), question, caption)) return -1;
    }
    m_session.prefs.SetDirectory(path);
    m_session.client = client;
    return 0;
}

std::optional<CSelectDirPage::Answer> CSelectDirPage::Await(const QFuture<Answer>& answer) {
    if (std::optional<Answer> quick = WaitForAnswer(answer)) return quick;
    // A share slow to answer may take the whole stall limit: meanwhile the page
    // is greyed, and Cancel, Escape and the close box are the user's. The focus
    // leaves the field for no widget, so that a key meant for Next cannot
    // fall on Cancel.
    CPropertySheet* sheet = GetSheet();
    const QPointer<QWidget> focused = QApplication::focusWidget();
    if (focused) focused->clearFocus();
    setEnabled(false);
    sheet->GetButton(CPropertySheet::PSBTN_BACK)->setEnabled(false);
    sheet->GetButton(CPropertySheet::PSBTN_NEXT)->setEnabled(false);
    const int rest =
        std::max(0, static_cast<int>(m_session.prefs.timings.stallLimitMs) - kAnswerLimitMs);
    std::optional<Answer> late = WaitForAnswer(answer, rest, sheet);
    setEnabled(true);
    OnSetActive();
    if (focused) focused->setFocus();
    return late;
}
