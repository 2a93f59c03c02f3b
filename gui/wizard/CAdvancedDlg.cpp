#include "gui/wizard/CAdvancedDlg.h"

#include <algorithm>

#include "engine/TestSession.h"
#include "gui/toolkit/DialogUnits.h"
#include "gui/toolkit/GuiText.h"
#include "ui_CAdvancedDlg.h"

namespace {

// An emptied field gets its default back at once.
void RefillWith(QLineEdit* field, uint32_t value) {
    QObject::connect(field, &QLineEdit::textChanged, field, [field, value](const QString& text) {
        if (text.isEmpty()) field->setText(QString::number(value));
    });
}

// The field's number; a negative one counts as 0.
uint32_t FieldValue(const QLineEdit* field) {
    return static_cast<uint32_t>(std::max(FromWindowText(field).ToInteger(), 0));
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
    RefillWith(ui->diskSpace, kSpace.initial);
    RefillWith(ui->simultaneous, kTests.initial);
}

CAdvancedDlg::~CAdvancedDlg() = default;

void CAdvancedDlg::accept() {
    CDVXPrefs& prefs = m_session.prefs;
    prefs.SetDiskSpaceMb(SettingLimits::kDiskSpaceMb.Clamp(FieldValue(ui->diskSpace)));
    prefs.SetSimultaneousTests(FieldValue(ui->simultaneous));
    prefs.SetThreadPriority(ui->priority->isChecked() ? CDVXPrefs::kPriorityNormal
                                                      : CDVXPrefs::kPriorityBelowNormal);
    QDialog::accept();
}
