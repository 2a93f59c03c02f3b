#include "gui/wizard/RunSummary.h"

#include "engine/TestSession.h"
#include "gui/toolkit/ElidedPaths.h"
#include "gui/toolkit/GuiText.h"
#include "platform/ResourceIds.h"
#include "report/ProgressText.h"

void ShowRunSummary(QLabel* label, TestSession& session) {
    const RunSnapshot run = session.run.Snapshot();
    const Chaine format(Chaine::ResourceId(res::kRunSummary));
    const Chaine duration = CDVXProgressData::FormatDuration(run.ElapsedMs());
    const Chaine written = ProgressText::Bytes(run.TotalWritten(true));
    const Chaine read = ProgressText::Bytes(run.TotalRead(true));
    ShowElidedPaths(label, {ToQString(session.prefs.directory)}, [&](const QStringList& paths) {
        Chaine text;
        text.Format(format.c_str(), duration.c_str(), written.c_str(), read.c_str(),
                    ToChaine(paths.constFirst()).c_str());
        return ToQString(text);
    });
}
