#include "gui/wizard/CTimePage.h"

#include <QValidator>
#include <algorithm>

#include "engine/TestSession.h"
#include "gui/toolkit/CPropertySheet.h"
#include "gui/toolkit/DialogUnits.h"
#include "gui/toolkit/GuiText.h"
#include "gui/wizard/PageIds.h"
#include "platform/ResourceIds.h"
#include "ui_CTimePage.h"

namespace {

// Digits only, and no more minutes than the run's milliseconds can count: a
// key that would go beyond is refused, as a letter is.
class MinutesValidator : public QValidator {
public:
    MinutesValidator(int maximum, QObject* parent) : QValidator(parent), m_maximum(maximum) {}

    State validate(QString& text, int&) const override {
        if (text.isEmpty()) return Intermediate;
        const bool digitsOnly =
            std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
        // No more digits than the maximum has, so that the number fits an int.
        const bool fits = text.size() <= QString::number(m_maximum).size();
        return digitsOnly && fits && text.toInt() <= m_maximum ? Acceptable : Invalid;
    }

private:
    const int m_maximum;
};

constexpr SettingLimit kMinutes = SettingLimits::kDurationMinutes;

}  // namespace

CTimePage::CTimePage(TestSession& session)
    : CPropertyPage(res::kTimePage), ui(std::make_unique<Ui::CTimePage>()), m_session(session) {
    ui->setupUi(this);
    ui->title->setFont(DialogUnits::HeadingFont(font()));
}

CTimePage::~CTimePage() = default;

bool CTimePage::OnInitDialog() {
    ui->minutesSpin->SetBuddy(ui->minutes);
    ui->minutesSpin->SetRange(kMinutes.minimum, SettingLimits::kArrowMaxMinutes);
    ui->minutes->setValidator(new MinutesValidator(kMinutes.maximum, ui->minutes));
    ui->minutes->installEventFilter(this);
    connect(ui->minutes, &QLineEdit::textChanged, this, &CTimePage::Refill);
    // Left or entered, the field shows the duration that Next will store.
    connect(ui->minutes, &QLineEdit::editingFinished, this,
            [this] { ui->minutes->setText(QString::number(TypedMinutes())); });
    return true;
}

bool CTimePage::OnSetActive() {
    GetSheet()->SetWizardButtons(CPropertySheet::PSWIZB_BACK | CPropertySheet::PSWIZB_NEXT);
    const uint32_t duration = m_session.prefs.durationMinutes;
    const bool timed = duration != CDVXPrefs::UntilStopped;
    (timed ? ui->timed : ui->untilStopped)->setChecked(true);
    ui->minutes->setText(QString::number(timed ? duration : kMinutes.initial));
    Refill();
    return true;
}

void CTimePage::Refill() {
    if (!ui->minutes->text().isEmpty() && FromWindowText(ui->minutes).ToInteger() > 0) return;
    ui->minutes->setText(QString::number(kMinutes.initial));
    ui->minutes->selectAll();
}

bool CTimePage::eventFilter(QObject* watched, QEvent* event) {
    // Going into the field chooses the timed run, so typing a number is enough.
    if (watched == ui->minutes && event->type() == QEvent::FocusIn) ui->timed->setChecked(true);
    return CPropertyPage::eventFilter(watched, event);
}

uint32_t CTimePage::TypedMinutes() const { return kMinutes.Clamp(FromWindowNumber(ui->minutes)); }

int CTimePage::OnWizardNext() {
    CDVXPrefs& prefs = m_session.prefs;
    if (ui->untilStopped->isChecked()) {
        prefs.SetDurationMinutes(CDVXPrefs::UntilStopped);
    } else if (ui->timed->isChecked()) {
        prefs.SetDurationMinutes(TypedMinutes());
    }
    return 0;
}
