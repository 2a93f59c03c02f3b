#pragma once
#include <string>

#include "engine/RunSnapshot.h"
#include "engine/TestSession.h"
#include "platform/Clock.h"
#include "report/result/ShareSeries.h"

// What the wizard keeps of a run beyond its last snapshot, for the report a
// person shares: when it started by the wall clock, and what the share
// carried poll after poll. The sheet owns it; the progress page fills it and
// the error page's details dialog reads it. User-interface thread.
class RunRecord {
public:
    // A run starts now.
    void Begin();
    // A poll of the run, as `run` shows it; `stopping`: its tests were asked
    // to stop.
    void Look(const RunSnapshot& run, bool stopping);
    // The run of `session` over as `end` shows it, as one HTML document.
    std::string Html(TestSession& session, const RunSnapshot& end) const;

private:
    platform::SystemTime m_startedAt;
    ShareSeries m_share;
};
