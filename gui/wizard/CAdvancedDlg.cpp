#include "gui/wizard/CAdvancedDlg.h"

#include <algorithm>

#include "engine/CDVXPrefs.h"
#include "gui/toolkit/DialogUnits.h"
#include "gui/toolkit/GuiText.h"
#include "ui_CAdvancedDlg.h"

namespace {

// An emptied field gets its default back at once.
void RefillWith(QLineEdit* field, int value) {
    QObject::connect(field, &QLineEdit::textChanged, field, [field, value](const QString& text) {
        if (text.isEmpty()) field->setText(QString::number(value));
    });
}

// The field's number; a negative one counts as 0.
uint32_t FieldValue(const QLineEdit* field) {
    return static_cast<uint32_t>(std::max(FromWindowText(field).ToInteger(), 0));
}

}  // namespace

CAdvancedDlg::CAdvancedDlg(CDVXPrefs* prefs, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::CAdvancedDlg>()), m_prefs(prefs) {
    ui->setupUi(this);
    DialogUnits::Scale(this);
    connect(ui->ok, &QPushButton::clicked, this, &CAdvancedDlg::accept);
    connect(ui->cancel, &QPushButton::clicked, this, &CAdvancedDlg::reject);
    ui->simultaneousSpin->SetBuddy(ui->simultaneous);
    ui->simultaneousSpin->SetRange(kMinTests, kMaxTests);
    ui->diskSpaceSpin->SetBuddy(ui->diskSpace);
    ui->diskSpaceSpin->SetRange(kMinDiskSpaceMb, kMaxDiskSpaceMb);
    ui->diskSpace->setText(QString::number(m_prefs->diskSpaceMb));
    ui->simultaneous->setText(QString::number(m_prefs->simultaneousTests));
    ui->priority->setChecked(m_prefs->threadPriority == CDVXPrefs::kPriorityNormal);
    RefillWith(ui->diskSpace, kDefaultDiskSpaceMb);
    RefillWith(ui->simultaneous, kDefaultTests);
}

CAdvancedDlg::~CAdvancedDlg() = default;

void CAdvancedDlg::accept() {
    m_prefs->SetDiskSpaceMb(std::min<uint32_t>(FieldValue(ui->diskSpace), kMaxDiskSpaceMb));
    m_prefs->SetSimultaneousTests(FieldValue(ui->simultaneous));
    m_prefs->SetThreadPriority(ui->priority->isChecked() ? CDVXPrefs::kPriorityNormal
                                                         : CDVXPrefs::kPriorityBelowNormal);
    QDialog::accept();
}
