#include "gui/wizard/RunRecord.h"

#include "platform/Host.h"
#include "report/FailureReport.h"
#include "report/result/HtmlReport.h"
#include "report/result/JsonResult.h"

void RunRecord::Begin() {
    m_startedAt = platform::Clock::GetLocalTime();
    m_share = ShareSeries();
}

void RunRecord::Look(const RunSnapshot& run, bool stopping) {
    if (run.startTicks == 0) return;
    m_share.Look(run);
    if (stopping && !m_share.StoppedMs()) m_share.Stop(run.ElapsedMs());
}

std::string RunRecord::Html(TestSession& session, const RunSnapshot& end) const {
    JsonResult::Run run;
    run.prefs = &session.prefs;
    run.tempDirectory = GetTempDirectory();
    run.client = session.client;
    run.host = run.label = platform::Host::Name();
    run.startedAt = m_startedAt;
    run.share = m_share;
    run.Ended(end);
    return HtmlReport::OfRun(
        JsonResult::Document(run, session.run.Verdict(), FailureReport::Collect(end)));
}
