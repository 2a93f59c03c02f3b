#include "gui/wizard/CAdvancedDlg.h"

#include "engine/RunFootprint.h"
#include "engine/TestSession.h"
#include "gui/toolkit/DialogUnits.h"
#include "gui/toolkit/GuiText.h"
#include "platform/ResourceIds.h"
#include "ui_CAdvancedDlg.h"

namespace {

// An emptied field gets its default back at once; left or entered, it shows
// the value that OK stores.
void Bound(QLineEdit* field, SettingLimit limit) {
    QObject::connect(field, &QLineEdit::textChanged, field, [field, limit](const QString& text) {
        if (text.isEmpty()) field->setText(QString::number(limit.initial));
    });
    QObject::connect(field, &QLineEdit::editingFinished, field, [field, limit] {
        field->setText(QString::number(limit.Clamp(FromWindowNumber(field))));
    });
}

}  // namespace

CAdvancedDlg::CAdvancedDlg(TestSession& session, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::CAdvancedDlg>()), m_session(session) {
    constexpr SettingLimit kTests = SettingLimits::kSimultaneousTests;
    constexpr SettingLimit kSpace = SettingLimits::kDiskSpaceMb;
    const CDVXPrefs& prefs = m_session.prefs;
    ui->setupUi(this);
    DialogUnits::Scale(this);
    connect(ui->ok, &QPushButton::clicked, this, &CAdvancedDlg::accept);
    connect(ui->cancel, &QPushButton::clicked, this, &CAdvancedDlg::reject);
    ui->simultaneousSpin->SetBuddy(ui->simultaneous);
    ui->simultaneousSpin->SetRange(kTests.minimum, kTests.maximum);
    ui->diskSpaceSpin->SetBuddy(ui->diskSpace);
    ui->diskSpaceSpin->SetRange(kSpace.minimum, kSpace.maximum);
    ui->diskSpace->setText(QString::number(prefs.diskSpaceMb));
    ui->simultaneous->setText(QString::number(prefs.simultaneousTests));
    ui->priority->setChecked(prefs.threadPriority == CDVXPrefs::kPriorityNormal);
    ui->modifyTests->setChecked(prefs.modifyTests);
    Bound(ui->diskSpace, kSpace);
    Bound(ui->simultaneous, kTests);
    for (QLineEdit* field : {ui->diskSpace, ui->simultaneous}) {
        connect(field, &QLineEdit::textChanged, this, &CAdvancedDlg::ShowNeeded);
    }
    connect(ui->modifyTests, &QCheckBox::toggled, this, &CAdvancedDlg::ShowNeeded);
    ShowNeeded();
}

CAdvancedDlg::~CAdvancedDlg() = default;

CDVXPrefs CAdvancedDlg::Typed() const {
    CDVXPrefs prefs = m_session.prefs;
    prefs.SetDiskSpaceMb(SettingLimits::kDiskSpaceMb.Clamp(FromWindowNumber(ui->diskSpace)));
    prefs.SetSimultaneousTests(
        SettingLimits::kSimultaneousTests.Clamp(FromWindowNumber(ui->simultaneous)));
    prefs.SetThreadPriority(ui->priority->isChecked() ? CDVXPrefs::kPriorityNormal
                                                      : CDVXPrefs::kPriorityBelowNormal);
    prefs.modifyTests = ui->modifyTests->isChecked();
    return prefs;
}

void CAdvancedDlg::ShowNeeded() {
    const RunFootprint needed = RunFootprint::Of(Typed());
    Chaine text;
    if (needed.Raised()) {
        text.Format(Chaine(Chaine::ResourceId(res::kRunWritesMore)).c_str(), needed.Mb(),
                    needed.files);
    }
    ui->diskNeeded->setText(ToQString(text));
}

void CAdvancedDlg::accept() {
    m_session.prefs = Typed();
    QDialog::accept();
}
