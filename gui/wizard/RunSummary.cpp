#include "gui/wizard/RunSummary.h"

#include "engine/CDVXProgressData.h"
#include "engine/TestSession.h"
#include "gui/toolkit/ElidedPaths.h"
#include "gui/toolkit/GuiText.h"
#include "platform/ResourceIds.h"
#include "support/NumberText.h"

void ShowRunSummary(QLabel* label, TestSession& session) {
    const RunSnapshot run = session.run.Snapshot();
    const bool cutShort =
        RunVerdict::StoppedEarly(session.run.Verdict(run).ending, session.prefs.durationMinutes);
    const Chaine format(Chaine::ResourceId(cutShort ? res::kRunSummaryStopped : res::kRunSummary));
    Chaine duration = CDVXProgressData::FormatDuration(run.ElapsedMs());
    duration.ReplaceChar(' ', '\xA0');  // "12 sec" stays on one line
    const Chaine written = FormatGroupedNumber(run.TotalWritten(true));
    const Chaine read = FormatGroupedNumber(run.TotalRead(true));
    ShowElidedPaths(label, {ToQString(session.prefs.directory)}, [&](const QStringList& paths) {
        Chaine text;
        const Chaine directory = ToChaine(paths.constFirst());
        if (cutShort) {
            text.Format(format.c_str(), duration.c_str(), session.prefs.durationMinutes,
                        written.c_str(), read.c_str(), directory.c_str());
        } else {
            text.Format(format.c_str(), duration.c_str(), written.c_str(), read.c_str(),
                        directory.c_str());
        }
        return ToQString(text);
    });
}
