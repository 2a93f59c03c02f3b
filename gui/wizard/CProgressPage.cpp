#include "gui/wizard/CProgressPage.h"

#include <QTimerEvent>

#include "gui/toolkit/CPropertySheet.h"
#include "gui/toolkit/DialogFonts.h"
#include "gui/toolkit/GuiText.h"
#include "report/ProgressText.h"
#include "support/FileSystem.h"
#include "ui_CProgressPage.h"

CProgressPage::CProgressPage(CDVXPrefs* prefs)
    : CPropertyPage(kTemplateId), ui(std::make_unique<Ui::CProgressPage>()), m_prefs(prefs) {
    ui->setupUi(this);
    // Fonts and the longest status line before the layout is fitted to its texts.
    ui->title->setFont(HeadingFont(font()));
    ui->status->setText(ToQString(Chaine(Chaine::ResourceId(kRunningTextId))));
}

CProgressPage::~CProgressPage() = default;

bool CProgressPage::OnSetActive() {
    CPropertySheet* sheet = GetSheet();
    sheet->SetWizardButtons(CPropertySheet::PSWIZB_BACK);
    m_bButtonsEnabled = false;
    m_nExitAction = ProgressTick::ExitShowResult;
    ShowDirectories(m_prefs->directory + ", " + GetTempDirectory());
    const uint32_t duration = m_prefs->durationMinutes;
    if (duration != CDVXPrefs::UntilStopped) {
        ui->bar->show();
        ui->bar->SetRange(0, static_cast<int32_t>(duration * m_prefs->timings.minuteMs));
    } else {
        ui->bar->hide();
    }
    ui->bar->SetTextTemplate("");
    ui->bar->SetShowText(true);
    ui->status->setText(ToQString(Chaine(Chaine::ResourceId(kRunningTextId))));
    m_manager.Start(m_prefs);
    if (m_nTimer == 0) m_nTimer = startTimer(kTickMs);
    return true;
}

bool CProgressPage::OnKillActive() {
    KillTimer();
    return true;
}

void CProgressPage::OnCancel() { KillTimer(); }

void CProgressPage::KillTimer() {
    if (m_nTimer != 0) killTimer(m_nTimer);
    m_nTimer = 0;
}

bool CProgressPage::IsBusy() {
    // IsRunning first: its first false answer stops the run's clock.
    const bool running = m_manager.IsRunning();
    return running || !m_manager.HaveThreadsExited();
}

void CProgressPage::AskToEnd(int action) {
    ui->status->setText(ToQString(Chaine(Chaine::ResourceId(kStoppingTextId))));
    if (m_nExitAction != ProgressTick::ExitCancel) m_nExitAction = action;
}

int CProgressPage::OnWizardNext() {
    if (IsBusy()) {
        AskToEnd(ProgressTick::ExitShowResult);
        m_manager.Stop();
        return -1;
    }
    // A Cancel asked for closes the wizard at the next tick, whatever is
    // clicked meanwhile.
    if (m_nExitAction == ProgressTick::ExitCancel) return -1;
    return ProgressTick::ResultPage(m_manager.HasFailed(),
                                    m_manager.GetProgress().GetTotalRead(true));
}

int CProgressPage::OnWizardBack() {
    if (!IsBusy()) return m_nExitAction == ProgressTick::ExitCancel ? -1 : 0;
    AskToEnd(ProgressTick::ExitBack);
    m_manager.Abort();
    return -1;
}

bool CProgressPage::OnQueryCancel() {
    AskToEnd(ProgressTick::ExitCancel);
    m_manager.Abort();
    return !IsBusy();
}

void CProgressPage::timerEvent(QTimerEvent* event) {
    if (GetSheet() && GetSheet()->GetActivePage() == this) Tick();
    CPropertyPage::timerEvent(event);
}

void CProgressPage::Tick() {
    m_manager.CheckFailure();
    const bool running = m_manager.IsRunning();
    const ProgressTick::State state{running,
                                    m_manager.HaveThreadsExited(),
                                    m_manager.GetProgress().GetElapsedMs(),
                                    m_prefs->durationMinutes,
                                    m_prefs->timings.minuteMs,
                                    m_bButtonsEnabled,
                                    m_nExitAction};
    const ProgressTick::Decision decision = ProgressTick::Decide(state);
    if (decision.showCounters) ShowCounters(state.elapsedMs);
    CPropertySheet* sheet = GetSheet();
    switch (decision.action) {
        case ProgressTick::None: break;
        case ProgressTick::EnableButtons:
            m_bButtonsEnabled = true;
            sheet->SetWizardButtons(CPropertySheet::PSWIZB_BACK | CPropertySheet::PSWIZB_NEXT);
            break;
        case ProgressTick::PressNext: sheet->PressButton(CPropertySheet::PSBTN_NEXT); break;
        case ProgressTick::PressBack: sheet->PressButton(CPropertySheet::PSBTN_BACK); break;
        case ProgressTick::PressCancel: sheet->PressButton(CPropertySheet::PSBTN_CANCEL); break;
    }
}

void CProgressPage::ShowDirectories(const Chaine& directories) {
    // Paths have no blanks to wrap at: a zero-width space after each separator
    // lets a long one take the label's two lines. The tooltip shows it whole.
    QString text = ToQString(directories);
    ui->directories->setToolTip(text);
    text.replace(QLatin1Char('/'), QStringLiteral("/\u200B"));
    ui->directories->setText(text);
}

void CProgressPage::ShowCounters(uint32_t elapsedMs) {
    CDVXProgressData& progress = m_manager.GetProgress();
    if (m_prefs->durationMinutes != CDVXPrefs::UntilStopped) {
        ui->bar->SetPos(static_cast<int32_t>(ProgressTick::BarPosition(
            elapsedMs, m_prefs->durationMinutes, m_prefs->timings.minuteMs)));
    }
    ui->read->setText(ToQString(ProgressText::Bytes(progress.GetTotalRead(true))));
    ui->written->setText(ToQString(ProgressText::Bytes(progress.GetTotalWritten(true))));
    ui->throughput->setText(ToQString(ProgressText::Throughput(progress.GetThroughput())));
    ui->elapsed->setText(ToQString(CDVXProgressData::FormatDuration(elapsedMs)));
}
