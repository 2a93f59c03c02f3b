#include "gui/wizard/CProgressPage.h"

#include <QTimerEvent>
#include <optional>

#include "engine/TestSession.h"
#include "gui/toolkit/CPropertySheet.h"
#include "gui/toolkit/DialogUnits.h"
#include "gui/toolkit/ElidedPaths.h"
#include "gui/toolkit/GuiText.h"
#include "gui/toolkit/MessageBox.h"
#include "gui/wizard/PageIds.h"
#include "gui/wizard/ProgressButtons.h"
#include "gui/wizard/RunRecord.h"
#include "platform/ResourceIds.h"
#include "report/ProgressText.h"
#include "support/FileSystem.h"
#include "ui_CProgressPage.h"

namespace {

// The page a run that is over leads to: the error page when a test failed,
// the no-error page when data came back and was compared, and else the
// duration page: a run that proved nothing gets no verdict.
int ResultPage(const RunVerdict& verdict) {
    switch (verdict.result) {
        case RunVerdict::kFailed: return res::kErrorPage;
        case RunVerdict::kOk: return res::kNoErrorPage;
        case RunVerdict::kInterrupted: break;
    }
    return res::kTimePage;
}

}  // namespace

CProgressPage::CProgressPage(TestSession& session, RunRecord& record)
    : CPropertyPage(res::kProgressPage),
      ui(std::make_unique<Ui::CProgressPage>()),
      m_session(session),
      m_record(record),
      m_notifier(ToQString(Chaine(Chaine::ResourceId(res::kShowWindowAction)))) {
    ui->setupUi(this);
    // Fonts and the longest status line before the layout is fitted to its texts.
    ui->title->setFont(DialogUnits::HeadingFont(font()));
    ShowStatus(res::kRunningText);
}

CProgressPage::~CProgressPage() = default;

bool CProgressPage::OnSetActive() {
    const CDVXPrefs& prefs = m_session.prefs;
    GetSheet()->SetWizardButtons(CPropertySheet::PSWIZB_BACK);
    ShowDirectories();
    if (prefs.durationMinutes != CDVXPrefs::UntilStopped) {
        ui->bar->show();
        ui->bar->SetRange(0, static_cast<int32_t>(prefs.durationMinutes * prefs.timings.minuteMs));
    } else {
        ui->bar->hide();
    }
    ui->bar->SetTextTemplate("");
    ui->bar->SetShowText(true);
    ShowStatus(res::kRunningText);
    m_buttonsEnabled = false;
    m_record.Begin();
    m_session.run.Start(prefs);
    m_awake.Take(window(), ToQString(Chaine(Chaine::ResourceId(res::kStayAwakeReason))));
    m_runGoing = true;
    if (m_nTimer == 0) m_nTimer = startTimer(RunController::kPollMs);
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

int CProgressPage::OnWizardNext() {
    RunController& run = m_session.run;
    if (run.IsBusy()) {
        run.Stop();
        ShowStatus(res::kStoppingText);
        return -1;
    }
    // A Cancel asked for closes the wizard at the next tick, whatever is
    // clicked meanwhile.
    if (run.GetAfter() == RunController::kCancel) return -1;
    return ResultPage(run.Verdict());
}

int CProgressPage::OnWizardBack() {
    RunController& run = m_session.run;
    if (!run.IsBusy()) return run.GetAfter() == RunController::kCancel ? -1 : 0;
    if (!MayThrowAwayRun()) return -1;
    run.Abort(RunController::kBack);
    ShowStatus(res::kStoppingText);
    return -1;
}

bool CProgressPage::OnQueryClose() { return MayThrowAwayRun(); }

bool CProgressPage::MayThrowAwayRun() {
    RunController& run = m_session.run;
    // A Cancel or Back already on its way has been asked for.
    if (!run.IsBusy() || run.GetAfter() != RunController::kShowResult ||
        run.Snapshot().ElapsedMs() < m_session.prefs.timings.minuteMs) {
        return true;
    }
    const bool stop =
        MessageBox::AskYesNo(GetSheet(), Chaine(Chaine::ResourceId(res::kStopQuestion)),
                             Chaine(Chaine::ResourceId(res::kCaption)), MessageBox::kNo);
    // The run may have ended while the question was shown: its result stays.
    return stop && GetSheet()->GetActivePage() == this && run.IsBusy();
}

bool CProgressPage::OnQueryCancel() {
    RunController& run = m_session.run;
    run.Abort(RunController::kCancel);
    ShowStatus(res::kStoppingText);
    return !run.IsBusy();
}

void CProgressPage::timerEvent(QTimerEvent* event) {
    if (GetSheet() && GetSheet()->GetActivePage() == this) Tick();
    CPropertyPage::timerEvent(event);
}

void CProgressPage::Tick() {
    RunController& run = m_session.run;
    const RunController::Tick tick = run.Poll();
    // Every way a run ends leads here: to the result, Back, and a Cancel
    // (pressed once the threads are done, or their wait is over).
    if (m_runGoing) m_record.Look(tick.snapshot, run.IsStopping());
    if (tick.threadsExited && m_runGoing) RunOver(tick.snapshot);
    if (tick.running) ShowCounters(tick.snapshot);
    // The end of the time stops the run as Next would.
    if (run.IsStopping()) ShowStatus(res::kStoppingText);
    CPropertySheet* sheet = GetSheet();
    switch (ProgressButtons::Decide({tick.running, tick.threadsExited, tick.snapshot.ElapsedMs(),
                                     tick.timeUp, m_buttonsEnabled, run.GetAfter()})) {
        case ProgressButtons::kNone: break;
        case ProgressButtons::kEnableButtons:
            m_buttonsEnabled = true;
            sheet->SetWizardButtons(CPropertySheet::PSWIZB_BACK | CPropertySheet::PSWIZB_NEXT);
            break;
        case ProgressButtons::kPressNext: sheet->PressButton(CPropertySheet::PSBTN_NEXT); break;
        case ProgressButtons::kPressBack: sheet->PressButton(CPropertySheet::PSBTN_BACK); break;
        case ProgressButtons::kPressCancel: sheet->PressButton(CPropertySheet::PSBTN_CANCEL); break;
    }
}

void CProgressPage::RunOver(const RunSnapshot& snapshot) {
    m_runGoing = false;
    m_awake.Release();
    RunController& run = m_session.run;
    const RunVerdict verdict = run.Verdict();
    m_launcher.Update(std::nullopt, verdict.result == RunVerdict::kFailed);
    // Back and Cancel were asked for here; a run that proved nothing has no verdict to tell.
    if (run.GetAfter() != RunController::kShowResult || verdict.result == RunVerdict::kInterrupted)
        return;
    const Chaine said(Chaine::ResourceId(verdict.result == RunVerdict::kOk ? res::kOkSentence
                                                                           : res::kFailedNotice));
    const Chaine duration = CDVXProgressData::FormatDuration(snapshot.ElapsedMs());
    Chaine body;
    if (RunVerdict::StoppedEarly(verdict.ending, m_session.prefs.durationMinutes)) {
        body.Format(Chaine(Chaine::ResourceId(res::kRunStoppedNotice)).c_str(), said.c_str(),
                    duration.c_str(), m_session.prefs.durationMinutes);
    } else {
        body.Format(Chaine(Chaine::ResourceId(res::kRunOverNotice)).c_str(), said.c_str(),
                    duration.c_str());
    }
    m_notifier.Notify(window(), QStringLiteral("Dalvex 2"), ToQString(body));
}

void CProgressPage::ShowStatus(unsigned textId) {
    ui->status->setText(ToQString(Chaine(Chaine::ResourceId(textId))));
}

void CProgressPage::ShowDirectories() {
    // A long server path is elided in its middle rather than cut at the end
    // of the label's two lines, so that the temporary directory still shows.
    // The tooltip shows them whole.
    ShowElidedPaths(ui->directories,
                    {ToQString(m_session.prefs.directory), ToQString(GetTempDirectory())},
                    [](const QStringList& paths) { return paths.join(QStringLiteral(", ")); });
}

void CProgressPage::ShowCounters(const RunSnapshot& run) {
    const uint32_t elapsedMs = run.ElapsedMs();
    const CDVXPrefs& prefs = m_session.prefs;
    std::optional<double> progress;
    if (prefs.durationMinutes != CDVXPrefs::UntilStopped) {
        const uint32_t position = RunController::BarPosition(elapsedMs, prefs);
        ui->bar->SetPos(static_cast<int32_t>(position));
        progress = double(position) / (double(prefs.durationMinutes) * prefs.timings.minuteMs);
    }
    m_launcher.Update(progress, run.AnyFailed());
    ui->read->setText(ToQString(ProgressText::Bytes(run.TotalRead(true))));
    ui->written->setText(ToQString(ProgressText::Bytes(run.TotalWritten(true))));
    ui->throughput->setText(ToQString(ProgressText::Throughput(run.Throughput())));
    ui->elapsed->setText(ToQString(CDVXProgressData::FormatDuration(elapsedMs)));
}
